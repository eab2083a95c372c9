#include "update/download.h"

#include "platform/files.h"

#include <curl/curl.h>

#include <memory>
#include <unistd.h>

namespace Update {
namespace {

// The body arrives in pieces of at most this many bytes.
constexpr long DownloadBufferSize = 1024;

struct Transfer
{
    std::string body;
    std::size_t maxBytes = 0;
};

std::size_t storeBody(char *data, std::size_t size, std::size_t count, void *userData)
{
    auto &transfer = *static_cast<Transfer *>(userData);
    const std::size_t bytes = size * count;
    // A body past the limit is no update file: the transfer stops at once.
    if (transfer.body.size() + bytes > transfer.maxBytes)
        return bytes == 0 ? 1 : 0; // anything but `bytes` makes libcurl stop the transfer
    transfer.body.append(data, bytes);
    return bytes;
}

struct EasyHandleDeleter
{
    void operator()(CURL *handle) const { curl_easy_cleanup(handle); }
};

struct MultiHandleDeleter
{
    void operator()(CURLM *handle) const { curl_multi_cleanup(handle); }
};

/// Runs the transfer, looking at `cancel` at least ten times a second. The result of the
/// transfer, or CURLE_ABORTED_BY_CALLBACK when it was cancelled.
CURLcode perform(CURL *curl, const std::atomic<bool> *cancel)
{
    const std::unique_ptr<CURLM, MultiHandleDeleter> multi(curl_multi_init());
    if (!multi || curl_multi_add_handle(multi.get(), curl) != CURLM_OK)
        return CURLE_FAILED_INIT;
    CURLcode result = CURLE_ABORTED_BY_CALLBACK;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        if (running == 0) {
            int left = 0;
            while (CURLMsg *message = curl_multi_info_read(multi.get(), &left)) {
                if (message->msg == CURLMSG_DONE)
                    result = message->data.result;
            }
            break;
        }
        if (cancel && cancel->load())
            break;
        curl_multi_poll(multi.get(), nullptr, 0, 100, nullptr);
    }
    curl_multi_remove_handle(multi.get(), curl);
    return result;
}

} // namespace

std::string ProgramFileName()
{
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0)
        return "corvanta";
    path.resize(static_cast<std::size_t>(length));
    return Platform::fileNameOf(path);
}

bool DownloadUrlToFile(const std::string &address, const std::string &localPath,
    const std::atomic<bool> *cancel, const DownloadLimits &limits)
{
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (initialised != CURLE_OK)
        return false;
    const std::unique_ptr<CURL, EasyHandleDeleter> handle(curl_easy_init());
    if (!handle)
        return false;

    Transfer transfer { {}, limits.maxBytes };
    const std::string userAgent = ProgramFileName();
    CURL *curl = handle.get();
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, userAgent.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, storeBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, DownloadBufferSize);
    // A server that is slow, endless or announces a huge body cannot hold the check.
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.total.count()));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytes);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(limits.lowSpeedTime.count()));
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes));
    // Moved files are followed, but only to other web addresses, never to local files.
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // Name look-ups must not use signals: the program's windows own the process.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);

    if (perform(curl, cancel) != CURLE_OK)
        return false;
    Platform::replaceFile(localPath, transfer.body);
    return true;
}

} // namespace Update
