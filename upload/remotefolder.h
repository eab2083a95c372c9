#pragma once

#include "upload/hostsettings.h"
#include "upload/manifest.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace Upload {

/// How far a run is: the file being sent and the bytes sent of all that the run sends.
struct Progress
{
    std::string currentFile; ///< relative name, UTF-8
    std::uint64_t bytesSent = 0;
    std::uint64_t bytesTotal = 0;
};

/// What a transfer asks of the one who started it. Every member may be left empty.
struct TransferHooks
{
    /// An SSH host key that known_hosts does not hold yet, shown by its fingerprint; true
    /// accepts it and keeps it. Called on the transfer's thread. Empty: refused.
    std::function<bool(const std::string &host, const std::string &fingerprint)> acceptNewHostKey;
    /// Called often while a file is sent, on the transfer's thread.
    std::function<void(const Progress &)> progress;
    /// Set from any thread to stop the transfer; it ends within about a second.
    const std::atomic<bool> *cancel = nullptr;
    /// The known_hosts file; empty for KnownHosts::defaultPath().
    std::string knownHostsPath;
    /// Something the user should know that does not stop the run, as a program text
    /// (Windows-1252, as every message of the program), on the transfer's thread. Empty: not
    /// told.
    std::function<void(const std::string &)> warning;
};

/// Thrown by a transfer stopped through TransferHooks::cancel. It is no failure: the run
/// that catches it ends as cancelled.
class TransferCancelled : public std::exception
{
public:
    const char *what() const noexcept override { return "Upload cancelled"; }
};

/// The remote folder of a host, reached through libcurl (SFTP, FTP with explicit TLS, FTP)
/// over one connection that is kept between operations. Failures throw Platform::FileError
/// with a message that names the host and, where one is involved, the file.
class RemoteFolder
{
public:
    /// `password` is the login password, or the key file's passphrase when the settings name
    /// an identity.
    RemoteFolder(HostSettings settings, std::string password, TransferHooks hooks);
    ~RemoteFolder();
    RemoteFolder(const RemoteFolder &) = delete;
    RemoteFolder &operator=(const RemoteFolder &) = delete;

    /// Connects (logging in and checking the host key) and tells whether the folder exists.
    bool exists();
    /// Makes the folder and any missing folder above it.
    void create();
    /// The bytes of a file in the folder, or nothing when it is not there. A file larger than
    /// `sizeLimit` is not read: that throws, naming the file and the limit.
    std::optional<std::string> read(
        const std::string &name, std::uint64_t sizeLimit = ManifestSizeLimit);
    /// The size of a file in the folder as the host reports it (SFTP stat, FTP SIZE), or
    /// nothing when it is not there.
    std::optional<std::uint64_t> sizeOf(const std::string &name);
    /// True when the host reports that the file `name` holds `size` bytes; quicker than sizeOf
    /// where the sizes agree.
    bool hasSize(const std::string &name, std::uint64_t size);
    /// Every file below the folder with its size as the host lists it; folders are walked,
    /// links left out.
    std::map<std::string, std::uint64_t> listFiles();
    /// Sends the open local file `fd` (taken over and closed) to `name` in the folder, making
    /// subfolders as needed. The bytes go to a temporary name first, made afresh (anything of
    /// that name, a link too, is removed first); once the host reports the size that was sent
    /// the temporary is renamed to `name`, so the name never holds a partial file. A size that
    /// differs fails the file. `bytesBefore` and `bytesTotal` place it in the run's progress.
    void sendFile(
        int fd, const std::string &name, std::uint64_t bytesBefore, std::uint64_t bytesTotal);
    /// The same for bytes in memory; `evenWhenCancelled` sends them after Cancel too (the
    /// manifest that brings the host's record up to date).
    void sendBytes(
        const std::string &bytes, const std::string &name, bool evenWhenCancelled = false);
    /// Renames `from` to `to`, both in the folder, replacing what `to` held.
    void rename(const std::string &from, const std::string &to);
    /// Deletes a file of the folder; a file already gone is no failure, one the host keeps is.
    void remove(const std::string &name);
    /// True when the folder holds a file or folder `name`.
    bool holds(const std::string &name);

    /// Tells the user something that does not stop the run (TransferHooks::warning); the text
    /// is put together from the host's names, in UTF-8.
    void warn(const std::string &utf8Text) const;

    /// The temporary name a file is sent under before it is renamed.
    static std::string temporaryName(const std::string &name);

    const HostSettings &settings() const { return m_settings; }

    /// One request's lists and buffers (remotefolder.cpp).
    struct Transfer;

private:
    /// Starts a request on the connection: every option back to libcurl's default, then the
    /// URL of `name`.
    void start(Transfer &transfer, const std::string &name);
    /// Runs one request; returns CURLE_OK or one of the `tolerated` codes, throws the failure's
    /// message for any other, naming `what` the request was doing.
    int perform(
        Transfer &transfer, const std::string &what, std::initializer_list<int> tolerated = {});
    /// The options every request has: time limits, progress and Cancel, the error text.
    void setConnectionOptions(Transfer &transfer, char *errorText);
    /// How the request logs in: password or key, the SSH host key check, TLS for FTPS.
    void setLoginOptions();
    /// The user's message for a request that failed with `result` while doing `what`.
    std::string failureMessage(int result, const char *errorText, const std::string &what) const;
    /// Uploads under the temporary name, checks the size that arrived and renames into place.
    void send(Transfer &transfer, const std::string &name, std::uint64_t size);
    /// Adds the files and subfolders of one folder below the remote folder ("" or ending in
    /// "/"); false when the folder is not there.
    bool listFolder(const std::string &folder, std::map<std::string, std::uint64_t> &files,
        std::vector<std::string> &subfolders);
    /// The URL of a name in the folder ("" for the folder itself, ending in "/").
    std::string urlOf(const std::string &name) const;
    /// A name's path as SFTP quote commands take it.
    std::string sftpPathOf(const std::string &name) const;
    /// The answer to an SSH host key: kept, accepted by the user, or refused.
    int checkHostKey(const char *key, std::size_t length);
    static int hostKeyCallback(void *self, int type, const char *key, std::size_t length);
    static int progressCallback(void *state, std::int64_t downloadTotal, std::int64_t downloaded,
        std::int64_t uploadTotal, std::int64_t uploaded);
    static std::size_t readMemory(char *buffer, std::size_t size, std::size_t count, void *state);

    HostSettings m_settings;
    std::string m_password;
    TransferHooks m_hooks;
    void *m_curl = nullptr; ///< the CURL easy handle; keeps the connection between requests
    std::string m_hostKeyProblem; ///< why the last host key was refused
    bool m_evenWhenCancelled = false; ///< requests go on after Cancel (sendBytes)
};

} // namespace Upload
