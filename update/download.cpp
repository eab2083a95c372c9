#include "update/download.h"

#include "platform/files.h"

#include <curl/curl.h>

#include <exception>
#include <memory>
#include <optional>
#include <unistd.h>

namespace Update {
namespace {

// The body arrives in pieces of at most this many bytes.
constexpr long DownloadBufferSize = 1024;

struct Transfer
{
    std::string localPath;
    std::optional<Platform::File> file;
    // An error of the local file, carried past libcurl's C frames and raised after it returns.
    std::exception_ptr failure;
};

// The local file is created when the first piece of the body arrives, so that an address
// that cannot be reached leaves the previous copy alone.
std::size_t storeBody(char *data, std::size_t size, std::size_t count, void *userData)
{
    auto &transfer = *static_cast<Transfer *>(userData);
    const std::size_t bytes = size * count;
    try {
        if (!transfer.file)
            transfer.file.emplace(transfer.localPath, Platform::File::Mode::CreateTruncate);
        transfer.file->write(std::string_view(data, bytes));
    } catch (...) {
        transfer.failure = std::current_exception();
        return bytes == 0 ? 1 : 0; // anything but `bytes` makes libcurl stop the transfer
    }
    return bytes;
}

struct EasyHandleDeleter
{
    void operator()(CURL *handle) const { curl_easy_cleanup(handle); }
};

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

bool DownloadUrlToFile(const std::string &address, const std::string &localPath)
{
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (initialised != CURLE_OK)
        return false;
    const std::unique_ptr<CURL, EasyHandleDeleter> handle(curl_easy_init());
    if (!handle)
        return false;

    Transfer transfer { localPath, std::nullopt, nullptr };
    const std::string userAgent = ProgramFileName();
    CURL *curl = handle.get();
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, userAgent.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, storeBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, DownloadBufferSize);
    // Moved files are followed, but only to other web addresses, never to local files.
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // Name look-ups must not use signals: the program's windows own the process.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);

    const CURLcode result = curl_easy_perform(curl);
    if (transfer.failure)
        std::rethrow_exception(transfer.failure);
    if (result != CURLE_OK)
        return false;
    // An empty body still replaces the previous copy.
    if (!transfer.file)
        transfer.file.emplace(localPath, Platform::File::Mode::CreateTruncate);
    transfer.file->close();
    return true;
}

} // namespace Update
