#include "upload/remotefolder.h"

#include "upload/knownhosts.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/userfolders.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Upload {
namespace {

// Tells libcurl to start its global state once, before the first handle of the process.
const bool curlStarted = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;

std::string percentEncoded(const std::string &path)
{
    static constexpr char hexDigits[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0 || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += hexDigits[byte >> 4];
            encoded += hexDigits[byte & 15];
        }
    }
    return encoded;
}

/// A path in double quotes for an SFTP quote command, quotes and backslashes escaped.
std::string quoted(const std::string &path)
{
    std::string text = "\"";
    for (const char c : path) {
        if (c == '"' || c == '\\')
            text += '\\';
        text += c;
    }
    return text + "\"";
}

std::string parentOf(const std::string &name)
{
    const auto slash = name.rfind('/');
    return slash == std::string::npos ? std::string() : name.substr(0, slash);
}

std::string baseNameOf(const std::string &name)
{
    const auto slash = name.rfind('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::string expandHome(const std::string &path)
{
    if (path == "~" || path.starts_with("~/")) {
        const std::optional<std::string> home = Platform::homeFolder();
        if (!home)
            throw Platform::FileError("Cannot find the key file: HOME is not set");
        return *home + path.substr(1);
    }
    return path;
}

/// The folder without trailing "/" and, for SFTP, without a leading "~/" (a relative path is
/// relative to the login folder there already).
std::string normalFolder(std::string folder)
{
    if (folder == "~" || folder.starts_with("~/"))
        folder = folder.substr(folder.size() > 1 ? 2 : 1);
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

/// A message put together from the host's names (UTF-8) as the program's text (Windows-1252),
/// the form every message the user reads takes.
std::string programText(const std::string &utf8) { return Platform::utf8ToCp1252(utf8); }

} // namespace

/// One request: its lists and buffers live as long as the request.
struct RemoteFolder::Transfer
{
    ~Transfer()
    {
        for (curl_slist *list : lists)
            curl_slist_free_all(list);
        if (file != nullptr)
            std::fclose(file);
    }
    curl_slist *list(const std::vector<std::string> &commands)
    {
        curl_slist *list = nullptr;
        for (const std::string &command : commands)
            list = curl_slist_append(list, command.c_str());
        lists.push_back(list);
        return list;
    }

    RemoteFolder *folder = nullptr;
    std::vector<curl_slist *> lists;
    std::FILE *file = nullptr; ///< what an upload reads from
    std::string received; ///< what a download wrote
    std::uint64_t sizeLimit = UINT64_MAX; ///< the most a download keeps
    bool tooLarge = false; ///< the download passed sizeLimit and was stopped
    const std::string *sending = nullptr; ///< bytes an upload reads from memory
    std::size_t sendingOffset = 0;
    std::string name; ///< the file in the progress report
    std::uint64_t bytesBefore = 0;
    std::uint64_t bytesTotal = 0;
    bool reportsProgress = false;
};

namespace {

size_t receive(char *data, size_t size, size_t count, void *state)
{
    auto *transfer = static_cast<RemoteFolder::Transfer *>(state);
    if (transfer->received.size() + size * count > transfer->sizeLimit) {
        transfer->tooLarge = true;
        return 0;
    }
    transfer->received.append(data, size * count);
    return size * count;
}

size_t refuse(char *, size_t, size_t, void *) { return 0; }

size_t discard(char *, size_t size, size_t count, void *) { return size * count; }

} // namespace

RemoteFolder::RemoteFolder(HostSettings settings, std::string password, TransferHooks hooks)
    : m_settings(std::move(settings))
    , m_password(std::move(password))
    , m_hooks(std::move(hooks))
{
    checkHostSettings(m_settings);
    m_settings.folder = normalFolder(m_settings.folder);
    if (!curlStarted || (m_curl = curl_easy_init()) == nullptr)
        throw std::bad_alloc();
    if (m_hooks.knownHostsPath.empty())
        m_hooks.knownHostsPath = KnownHosts::defaultPath();
}

RemoteFolder::~RemoteFolder() { curl_easy_cleanup(static_cast<CURL *>(m_curl)); }

void RemoteFolder::warn(const std::string &utf8Text) const
{
    if (m_hooks.warning)
        m_hooks.warning(programText(utf8Text));
}

std::string RemoteFolder::temporaryName(const std::string &name)
{
    const std::string parent = parentOf(name);
    return (parent.empty() ? "" : parent + "/") + ".corvanta-part." + baseNameOf(name);
}

std::string RemoteFolder::urlOf(const std::string &name) const
{
    const std::string host = m_settings.host.find(':') != std::string::npos
        ? "[" + m_settings.host + "]"
        : m_settings.host;
    const std::string &folder = m_settings.folder;
    const bool absolute = folder.starts_with("/");
    std::string path;
    if (m_settings.protocol == Protocol::Sftp) {
        // A relative folder is below the login folder, which libcurl writes as "/~/".
        path = absolute ? percentEncoded(folder) : "/~/" + percentEncoded(folder);
    } else {
        // FTP paths in a URL are relative to the login folder; "%2F" starts at the root.
        path = absolute ? "/%2F" + percentEncoded(folder.substr(1)) : "/" + percentEncoded(folder);
    }
    if (!path.ends_with("/"))
        path += "/";
    const std::string scheme = m_settings.protocol == Protocol::Sftp ? "sftp" : "ftp";
    return scheme + "://" + host + ":" + std::to_string(portOf(m_settings)) + path
        + percentEncoded(name);
}

std::string RemoteFolder::sftpPathOf(const std::string &name) const
{
    // SFTP resolves a relative path from the login folder, as the URL's "/~/" does.
    return m_settings.folder + (m_settings.folder.ends_with("/") ? "" : "/") + name;
}

int RemoteFolder::checkHostKey(const char *keyBytes, std::size_t length)
{
    const std::string key(keyBytes, length);
    const KnownHosts knownHosts(m_hooks.knownHostsPath);
    const int port = portOf(m_settings);
    const std::string fingerprint = fingerprintOf(key);
    const std::optional<std::string> kept = knownHosts.keyOf(m_settings.host, port);
    if (kept) {
        if (*kept == key)
            return CURLKHMATCH_OK;
        m_hostKeyProblem = "The host key of " + m_settings.host + " has changed: it was "
            + fingerprintOf(*kept) + " and is now " + fingerprint
            + ". The connection was refused; if the host's administrator confirms the new "
              "key, remove the old one from "
            + m_hooks.knownHostsPath;
        return CURLKHMATCH_MISMATCH;
    }
    if (!m_hooks.acceptNewHostKey || !m_hooks.acceptNewHostKey(m_settings.host, fingerprint)) {
        m_hostKeyProblem = "The host key of " + m_settings.host + " (" + fingerprint
            + ") is not known and was not accepted";
        return CURLKHMATCH_MISMATCH;
    }
    try {
        knownHosts.accept(m_settings.host, port, key);
    } catch (const Platform::FileError &error) {
        m_hostKeyProblem = Platform::cp1252ToUtf8(error.what());
        return CURLKHMATCH_MISMATCH;
    }
    return CURLKHMATCH_OK;
}

int RemoteFolder::hostKeyCallback(void *self, int, const char *key, std::size_t length)
{
    return static_cast<RemoteFolder *>(self)->checkHostKey(key, length);
}

int RemoteFolder::progressCallback(
    void *state, std::int64_t, std::int64_t, std::int64_t, std::int64_t uploaded)
{
    const auto *transfer = static_cast<Transfer *>(state);
    const TransferHooks &hooks = transfer->folder->m_hooks;
    // Asked at least once a second even while nothing moves, so Cancel is never kept waiting.
    if (!transfer->folder->m_evenWhenCancelled && hooks.cancel != nullptr && hooks.cancel->load())
        return 1;
    if (transfer->reportsProgress && hooks.progress) {
        hooks.progress({ transfer->name,
            transfer->bytesBefore + static_cast<std::uint64_t>(std::max<std::int64_t>(uploaded, 0)),
            transfer->bytesTotal });
    }
    return 0;
}

std::size_t RemoteFolder::readMemory(char *buffer, std::size_t size, std::size_t count, void *state)
{
    auto *transfer = static_cast<Transfer *>(state);
    const std::size_t left = transfer->sending->size() - transfer->sendingOffset;
    const std::size_t chunk = std::min(left, size * count);
    std::copy_n(transfer->sending->data() + transfer->sendingOffset, chunk, buffer);
    transfer->sendingOffset += chunk;
    return chunk;
}

int RemoteFolder::perform(
    Transfer &transfer, const std::string &what, std::initializer_list<int> tolerated)
{
    if (!m_evenWhenCancelled && m_hooks.cancel != nullptr && m_hooks.cancel->load())
        throw TransferCancelled();
    // The key file is looked for first: a missing HOME fails the request before it starts.
    setLoginOptions();
    CURL *curl = static_cast<CURL *>(m_curl);
    char errorText[CURL_ERROR_SIZE] = {};
    setConnectionOptions(transfer, errorText);
    m_hostKeyProblem.clear();
    const CURLcode result = curl_easy_perform(curl);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    if (result == CURLE_OK
        || std::find(tolerated.begin(), tolerated.end(), result) != tolerated.end())
        return result;
    if (result == CURLE_ABORTED_BY_CALLBACK)
        throw TransferCancelled();
    throw Platform::FileError(programText(failureMessage(result, errorText, what)));
}

void RemoteFolder::setConnectionOptions(Transfer &transfer, char *errorText)
{
    CURL *curl = static_cast<CURL *>(m_curl);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_USERNAME, m_settings.user.c_str());
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 20L);
    // A connection that moves nothing for half a minute is taken as lost.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 30L);
    // What is sent after Cancel may not keep the user waiting on a host that hangs.
    if (m_evenWhenCancelled)
        curl_easy_setopt(curl, CURLOPT_TIMEOUT, 5L);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &RemoteFolder::progressCallback);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
}

void RemoteFolder::setLoginOptions()
{
    CURL *curl = static_cast<CURL *>(m_curl);
    // libcurl keeps its own copies of the texts it is given.
    const std::string identity = expandHome(m_settings.identity);
    const std::string publicKey = identity + ".pub";
    if (m_settings.protocol == Protocol::Sftp) {
        curl_easy_setopt(curl, CURLOPT_SSH_HOSTKEYFUNCTION, &RemoteFolder::hostKeyCallback);
        curl_easy_setopt(curl, CURLOPT_SSH_HOSTKEYDATA, this);
        if (identity.empty()) {
            curl_easy_setopt(curl, CURLOPT_PASSWORD, m_password.c_str());
            curl_easy_setopt(curl, CURLOPT_SSH_AUTH_TYPES,
                long { CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD });
        } else {
            curl_easy_setopt(curl, CURLOPT_SSH_AUTH_TYPES, long { CURLSSH_AUTH_PUBLICKEY });
            curl_easy_setopt(curl, CURLOPT_SSH_PRIVATE_KEYFILE, identity.c_str());
            if (std::filesystem::exists(publicKey))
                curl_easy_setopt(curl, CURLOPT_SSH_PUBLIC_KEYFILE, publicKey.c_str());
            curl_easy_setopt(curl, CURLOPT_KEYPASSWD, m_password.c_str());
        }
    } else {
        curl_easy_setopt(curl, CURLOPT_PASSWORD, m_password.c_str());
        if (m_settings.protocol == Protocol::Ftps) {
            curl_easy_setopt(curl, CURLOPT_USE_SSL, long { CURLUSESSL_ALL });
            // A host with a certificate of its own making is trusted through the usual
            // OpenSSL variable naming the certificates to trust.
            if (const char *certificates = std::getenv("SSL_CERT_FILE"))
                curl_easy_setopt(curl, CURLOPT_CAINFO, certificates);
        }
    }
}

std::string RemoteFolder::failureMessage(
    int result, const char *errorText, const std::string &what) const
{
    const std::string &host = m_settings.host;
    const std::string detail
        = errorText[0] != '\0' ? errorText : curl_easy_strerror(static_cast<CURLcode>(result));
    switch (result) {
    case CURLE_PEER_FAILED_VERIFICATION:
        return !m_hostKeyProblem.empty()
            ? m_hostKeyProblem
            : "The certificate of " + host + " is not trusted (" + detail + ")";
    case CURLE_LOGIN_DENIED:
        return m_settings.identity.empty()
            ? host + " refused the user name or password"
            : host + " refused the key " + m_settings.identity + " or its passphrase";
    case CURLE_COULDNT_RESOLVE_HOST:
        return "Cannot find the host " + host;
    case CURLE_COULDNT_CONNECT:
        return "Cannot reach " + host + " on port " + std::to_string(portOf(m_settings));
    case CURLE_OPERATION_TIMEDOUT:
        return host + " stopped answering while " + what;
    case CURLE_REMOTE_DISK_FULL:
        return "The disk of " + host + " is full; stopped while " + what;
    case CURLE_USE_SSL_FAILED:
        return host
            + " does not offer FTP over TLS (ftps); choose sftp, or ftp knowing the "
              "password travels unencrypted";
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
        return "The secure connection to " + host + " failed (" + detail + ")";
    case CURLE_QUOTE_ERROR:
        return host + " refused " + what + " (" + detail + ")";
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_SSH:
    case CURLE_UPLOAD_FAILED:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_FTP_COULDNT_USE_REST:
        return "The connection to " + host + " failed while " + what + " (" + detail + ")";
    default:
        return "Uploading to " + host + " failed while " + what + " (" + detail + ")";
    }
}

void RemoteFolder::start(Transfer &transfer, const std::string &name)
{
    curl_easy_reset(static_cast<CURL *>(m_curl));
    transfer.folder = this;
    // Nothing a request brings back reaches standard output (FTP's answers to SIZE would).
    curl_easy_setopt(static_cast<CURL *>(m_curl), CURLOPT_WRITEFUNCTION, &discard);
    curl_easy_setopt(static_cast<CURL *>(m_curl), CURLOPT_URL, urlOf(name).c_str());
}

bool RemoteFolder::exists()
{
    CURL *curl = static_cast<CURL *>(m_curl);
    Transfer transfer;
    start(transfer, "");
    if (m_settings.protocol == Protocol::Sftp) {
        curl_easy_setopt(curl, CURLOPT_DIRLISTONLY, 1L);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &discard);
    } else {
        // Changing into the folder is the test; nothing is listed.
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    }
    // SFTP says the folder is not found; FTP refuses to change into it.
    const int result = perform(transfer, "opening the folder " + m_settings.folder,
        { CURLE_REMOTE_FILE_NOT_FOUND, CURLE_REMOTE_ACCESS_DENIED });
    return result == CURLE_OK;
}

void RemoteFolder::create()
{
    CURL *curl = static_cast<CURL *>(m_curl);
    std::vector<std::string> commands;
    const std::string &folder = m_settings.folder;
    // Each folder from the top down; one that exists already is no failure ("*").
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string path = folder.substr(0, slash);
        if (m_settings.protocol == Protocol::Sftp)
            commands.push_back("*mkdir " + quoted(path));
        else
            commands.push_back("*MKD " + path);
        if (slash == std::string::npos)
            break;
    }
    Transfer transfer;
    // The commands run from the login folder, before the URL's folder is opened.
    start(transfer, "");
    const std::string folderUrl = urlOf("");
    const std::string loginUrl
        = folderUrl.substr(0, folderUrl.find('/', folderUrl.find("//") + 2) + 1);
    curl_easy_setopt(curl, CURLOPT_URL, loginUrl.c_str());
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl, CURLOPT_QUOTE, transfer.list(commands));
    perform(transfer, "making the folder " + folder);
    if (!exists())
        throw Platform::FileError(
            programText(m_settings.host + " did not make the folder " + folder));
}

std::optional<std::string> RemoteFolder::read(const std::string &name, std::uint64_t sizeLimit)
{
    CURL *curl = static_cast<CURL *>(m_curl);
    Transfer transfer;
    start(transfer, name);
    transfer.sizeLimit = sizeLimit;
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &receive);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    const int result = perform(transfer, "reading " + name,
        { CURLE_REMOTE_FILE_NOT_FOUND, CURLE_REMOTE_ACCESS_DENIED, CURLE_WRITE_ERROR });
    if (transfer.tooLarge) {
        throw Platform::FileError(programText("The file " + m_settings.folder + "/" + name + " on "
            + m_settings.host + " is larger than the limit of "
            + std::to_string(sizeLimit / (std::uint64_t { 1024 } * 1024))
            + " MB and was not read; remove it on the host to upload the whole site again"));
    }
    if (result != CURLE_OK)
        return std::nullopt;
    return std::move(transfer.received);
}

std::optional<std::uint64_t> RemoteFolder::sizeOf(const std::string &name)
{
    CURL *curl = static_cast<CURL *>(m_curl);
    Transfer transfer;
    start(transfer, name);
    if (m_settings.protocol == Protocol::Sftp) {
        // The download starts with the file's stat, which gives the size; no byte is kept.
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &refuse);
    } else {
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L); // SIZE
    }
    const int result = perform(transfer, "checking the size of " + name,
        { CURLE_REMOTE_FILE_NOT_FOUND, CURLE_REMOTE_ACCESS_DENIED, CURLE_WRITE_ERROR,
            CURLE_FTP_COULDNT_RETR_FILE });
    curl_off_t size = -1;
    if (result == CURLE_OK || result == CURLE_WRITE_ERROR)
        curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size);
    // An empty file gives no size over SFTP, and its download ends at once.
    if (size < 0 && result == CURLE_OK && m_settings.protocol == Protocol::Sftp)
        return 0;
    if (size < 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(size);
}

bool RemoteFolder::hasSize(const std::string &name, std::uint64_t size)
{
    if (m_settings.protocol != Protocol::Sftp)
        return sizeOf(name) == size;
    // Reading from `size` on gives nothing when the file holds exactly that many bytes, and
    // fails when it holds fewer; unlike a read stopped part-way, it keeps the connection.
    CURL *curl = static_cast<CURL *>(m_curl);
    Transfer transfer;
    start(transfer, name);
    transfer.sizeLimit = 0;
    curl_easy_setopt(curl, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(size));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &receive);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    const int result = perform(transfer, "checking the size of " + name,
        { CURLE_REMOTE_FILE_NOT_FOUND, CURLE_REMOTE_ACCESS_DENIED, CURLE_WRITE_ERROR,
            CURLE_BAD_DOWNLOAD_RESUME, CURLE_RANGE_ERROR });
    return result == CURLE_OK && !transfer.tooLarge;
}

std::map<std::string, std::uint64_t> RemoteFolder::listFiles()
{
    std::map<std::string, std::uint64_t> files;
    std::vector<std::string> folders { "" };
    // A host whose folders lead back into themselves is not walked for ever.
    for (std::size_t next = 0; next < folders.size() && next < 10000; ++next)
        listFolder(folders[next], files, folders);
    return files;
}

bool RemoteFolder::holds(const std::string &name)
{
    std::map<std::string, std::uint64_t> files;
    std::vector<std::string> folders;
    const std::string parent = parentOf(name);
    listFolder(parent.empty() ? "" : parent + "/", files, folders);
    return files.contains(name)
        || std::find(folders.begin(), folders.end(), name + "/") != folders.end();
}

bool RemoteFolder::listFolder(const std::string &folder,
    std::map<std::string, std::uint64_t> &files, std::vector<std::string> &subfolders)
{
    CURL *curl = static_cast<CURL *>(m_curl);
    Transfer transfer;
    start(transfer, folder);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &receive);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    const bool sftp = m_settings.protocol == Protocol::Sftp;
    // SFTP lists as "ls -l" does; FTP's machine-readable listing names each fact.
    if (!sftp)
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, "MLSD");
    const int result = perform(transfer, "listing " + (folder.empty() ? m_settings.folder : folder),
        { CURLE_REMOTE_FILE_NOT_FOUND, CURLE_REMOTE_ACCESS_DENIED });
    if (result != CURLE_OK)
        return false;
    std::size_t start = 0;
    const std::string &text = transfer.received;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start)) {
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        bool isFolder = false;
        bool isFile = false;
        std::uint64_t size = 0;
        std::string name;
        if (sftp) {
            // "-rw-r--r--    1 user  group   1234 Dec  7 20:17 name": eight fields, then the name.
            std::size_t at = 0;
            std::vector<std::string> fields;
            while (fields.size() < 8 && at < line.size()) {
                const std::size_t fieldStart = line.find_first_not_of(' ', at);
                if (fieldStart == std::string::npos)
                    break;
                at = std::min(line.find(' ', fieldStart), line.size());
                fields.push_back(line.substr(fieldStart, at - fieldStart));
            }
            if (fields.size() < 8 || at + 1 >= line.size())
                continue;
            name = line.substr(at + 1);
            isFolder = fields[0].starts_with('d');
            isFile = fields[0].starts_with('-');
            std::from_chars(fields[4].data(), fields[4].data() + fields[4].size(), size);
        } else {
            // "type=file;size=1234;modify=20261207201700; name"
            const std::size_t blank = line.find(' ');
            if (blank == std::string::npos)
                continue;
            name = line.substr(blank + 1);
            std::size_t factStart = 0;
            while (factStart < blank) {
                const std::size_t factEnd = std::min(line.find(';', factStart), blank);
                std::string fact = line.substr(factStart, factEnd - factStart);
                for (char &c : fact)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                if (fact == "type=dir")
                    isFolder = true;
                else if (fact == "type=file")
                    isFile = true;
                else if (fact.starts_with("size="))
                    std::from_chars(fact.data() + 5, fact.data() + fact.size(), size);
                factStart = factEnd + 1;
            }
        }
        if (name == "." || name == ".." || name.empty())
            continue;
        if (isFile)
            files[folder + name] = size;
        else if (isFolder)
            subfolders.push_back(folder + name + "/");
    }
    return true;
}

void RemoteFolder::rename(const std::string &from, const std::string &to)
{
    CURL *curl = static_cast<CURL *>(m_curl);
    Transfer transfer;
    if (m_settings.protocol == Protocol::Sftp) {
        // The SFTP server does not rename over an existing file, so the old one goes first;
        // for that moment the name is missing, but it never holds a partial file.
        start(transfer, "");
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(curl, CURLOPT_QUOTE,
            transfer.list({ "*rm " + quoted(sftpPathOf(to)),
                "rename " + quoted(sftpPathOf(from)) + " " + quoted(sftpPathOf(to)) }));
    } else {
        // The commands run in the files' folder, which the request changes into.
        const std::string parent = parentOf(to);
        start(transfer, parent.empty() ? "" : parent + "/");
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTQUOTE,
            transfer.list({ "RNFR " + baseNameOf(from), "RNTO " + baseNameOf(to) }));
    }
    perform(transfer, "putting " + to + " in place");
}

void RemoteFolder::send(Transfer &transfer, const std::string &name, std::uint64_t size)
{
    CURL *curl = static_cast<CURL *>(m_curl);
    const std::string temporary = temporaryName(name);
    curl_easy_setopt(curl, CURLOPT_URL, urlOf(temporary).c_str());
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
    curl_easy_setopt(curl, CURLOPT_FTP_CREATE_MISSING_DIRS, long { CURLFTP_CREATE_DIR_RETRY });
    // The temporary is made afresh: a file or a link left at its name (by a run cut short, or
    // planted) is removed first, so the bytes never go through a link to another file.
    if (m_settings.protocol == Protocol::Sftp) {
        curl_easy_setopt(
            curl, CURLOPT_QUOTE, transfer.list({ "*rm " + quoted(sftpPathOf(temporary)) }));
    } else {
        // Sent in the file's folder, after the request changed into it.
        curl_easy_setopt(
            curl, CURLOPT_PREQUOTE, transfer.list({ "*DELE " + baseNameOf(temporary) }));
    }
    perform(transfer, "sending " + name);

    if (!hasSize(temporary, size)) {
        const std::optional<std::uint64_t> arrived = sizeOf(temporary);
        try {
            remove(temporary);
        } catch (const Platform::FileError &) {
            // The size is the failure to report; the next run removes the temporary.
        }
        throw Platform::FileError(programText(arrived
                ? m_settings.host + " received " + std::to_string(*arrived) + " of the "
                    + std::to_string(size) + " bytes of " + name + "; the file was not put in place"
                : m_settings.host + " does not show " + name
                    + " after it was sent; the file was not put in place"));
    }
    rename(temporary, name);
}

void RemoteFolder::sendFile(
    int fd, const std::string &name, std::uint64_t bytesBefore, std::uint64_t bytesTotal)
{
    Transfer transfer;
    start(transfer, name);
    transfer.file = ::fdopen(fd, "rb");
    if (transfer.file == nullptr) {
        ::close(fd);
        throw std::bad_alloc();
    }
    struct stat info
    {
    };
    ::fstat(fd, &info);
    const auto size = static_cast<std::uint64_t>(info.st_size);
    transfer.name = name;
    transfer.bytesBefore = bytesBefore;
    transfer.bytesTotal = bytesTotal;
    transfer.reportsProgress = true;
    CURL *curl = static_cast<CURL *>(m_curl);
    curl_easy_setopt(curl, CURLOPT_READDATA, transfer.file);
    send(transfer, name, size);
}

void RemoteFolder::sendBytes(
    const std::string &bytes, const std::string &name, bool evenWhenCancelled)
{
    Transfer transfer;
    start(transfer, name);
    // Every request of the sending (the size check and the rename too) goes on after Cancel.
    struct Finishing
    {
        bool &flag;
        ~Finishing() { flag = false; }
    } finishing { m_evenWhenCancelled };
    m_evenWhenCancelled = evenWhenCancelled;
    transfer.sending = &bytes;
    CURL *curl = static_cast<CURL *>(m_curl);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, &RemoteFolder::readMemory);
    curl_easy_setopt(curl, CURLOPT_READDATA, &transfer);
    send(transfer, name, bytes.size());
}

void RemoteFolder::remove(const std::string &name)
{
    CURL *curl = static_cast<CURL *>(m_curl);
    Transfer transfer;
    if (m_settings.protocol == Protocol::Sftp) {
        start(transfer, "");
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(curl, CURLOPT_QUOTE, transfer.list({ "rm " + quoted(sftpPathOf(name)) }));
    } else {
        // The command runs after changing into the file's folder.
        const std::string parent = parentOf(name);
        start(transfer, parent.empty() ? "" : parent + "/");
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTQUOTE, transfer.list({ "DELE " + baseNameOf(name) }));
    }
    const int result
        = perform(transfer, "deleting " + name, { CURLE_QUOTE_ERROR, CURLE_REMOTE_ACCESS_DENIED });
    // A file already gone is no failure; one the host keeps is.
    if (result != CURLE_OK && holds(name)) {
        throw Platform::FileError(
            programText(m_settings.host + " did not delete " + m_settings.folder + "/" + name));
    }
}

} // namespace Upload
