#include "upload/gitpublish.h"

#include "upload/gitremote.h"
#include "upload/knownhosts.h"
#include "upload/manifest.h"

#include "platform/cachecleaning.h"
#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/userfolders.h"

#include <git2.h>
#include <openssl/evp.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <pwd.h>
#include <set>
#include <string_view>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace Upload {
namespace {

/// Where the program keeps the commits it fetched from and made for an SSH remote.
constexpr const char *FetchedRef = "refs/corvanta/fetched";
constexpr const char *PublishRef = "refs/corvanta/publish";
constexpr int MostTries = 3;

template <typename T, void (*Free)(T *)> struct Freer
{
    void operator()(T *object) const { Free(object); }
};
template <typename T, void (*Free)(T *)> using Owned = std::unique_ptr<T, Freer<T, Free>>;
using Repository = Owned<git_repository, git_repository_free>;
using Remote = Owned<git_remote, git_remote_free>;
using Tree = Owned<git_tree, git_tree_free>;
using Commit = Owned<git_commit, git_commit_free>;
using TreeBuilder = Owned<git_treebuilder, git_treebuilder_free>;
using Odb = Owned<git_odb, git_odb_free>;
using Reference = Owned<git_reference, git_reference_free>;
using Config = Owned<git_config, git_config_free>;

/// libgit2 is set up for as long as one is alive.
struct Library
{
    Library() { git_libgit2_init(); }
    ~Library() { git_libgit2_shutdown(); }
    Library(const Library &) = delete;
    Library &operator=(const Library &) = delete;
};

[[noreturn]] void fail(const std::string &utf8Text)
{
    throw Platform::FileError(Platform::utf8ToCp1252(utf8Text));
}

std::string lastGitError()
{
    const git_error *error = git_error_last();
    return error != nullptr && error->message != nullptr ? error->message : "unknown error";
}

/// A file's mode and object as a tree holds them.
struct Entry
{
    git_oid id {};
    git_filemode_t mode = GIT_FILEMODE_BLOB;
    bool operator==(const Entry &other) const
    {
        return mode == other.mode && git_oid_equal(&id, &other.id) != 0;
    }
};
using Files = std::map<std::string, Entry>;

std::string loginName()
{
    const passwd *entry = ::getpwuid(::geteuid());
    return entry != nullptr ? entry->pw_name : "git";
}

std::string expandHome(const std::string &path)
{
    if (path == "~" || path.starts_with("~/")) {
        const std::optional<std::string> home = Platform::homeFolder();
        if (!home)
            fail("Cannot find the key file " + path + ": HOME is not set");
        return *home + path.substr(1);
    }
    return path;
}

/// Reads a whole file of the site through its descriptor, which is closed.
std::string readSiteFile(const LocalSite &site, const std::string &name)
{
    const int fd = site.open(name);
    std::string bytes;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            fail("Cannot read " + site.path() + "/" + name + " (" + Platform::errnoMessage(error)
                + ")");
        }
        if (got == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return bytes;
}

/// The object id git gives a blob of these bytes: SHA-1 of "blob SIZE\0" and the bytes.
git_oid blobIdOf(const std::string &bytes)
{
    const std::string header = "blob " + std::to_string(bytes.size()) + std::string(1, '\0');
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX *)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestInit_ex(context.get(), EVP_sha1(), nullptr);
    EVP_DigestUpdate(context.get(), header.data(), header.size());
    EVP_DigestUpdate(context.get(), bytes.data(), bytes.size());
    EVP_DigestFinal_ex(context.get(), digest, &length);
    git_oid id;
    git_oid_fromraw(&id, digest);
    return id;
}

/// The blob id of a file of the site, read in pieces through its descriptor.
git_oid blobIdOfFile(const LocalSite &site, const std::string &name)
{
    const int fd = site.open(name);
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } const closer { fd };
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0)
        fail(
            "Cannot read " + site.path() + "/" + name + " (" + Platform::errnoMessage(errno) + ")");
    const auto size = static_cast<std::uint64_t>(info.st_size);
    const std::string header = "blob " + std::to_string(size) + std::string(1, '\0');
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX *)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    EVP_DigestInit_ex(context.get(), EVP_sha1(), nullptr);
    EVP_DigestUpdate(context.get(), header.data(), header.size());
    std::vector<char> buffer(1 << 18);
    std::uint64_t read = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            fail("Cannot read " + site.path() + "/" + name + " (" + Platform::errnoMessage(errno)
                + ")");
        if (got == 0)
            break;
        EVP_DigestUpdate(context.get(), buffer.data(), static_cast<std::size_t>(got));
        read += static_cast<std::uint64_t>(got);
    }
    if (read != size)
        fail(site.path() + "/" + name + " changed while it was read; publish the site again");
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context.get(), digest, &length);
    git_oid id;
    git_oid_fromraw(&id, digest);
    return id;
}

const git_oid &emptyBlob()
{
    static const git_oid id = blobIdOf("");
    return id;
}

std::string hexOf(const git_oid &id)
{
    char text[GIT_OID_HEXSZ + 1] = {};
    git_oid_tostr(text, sizeof text, &id);
    return text;
}

/// " (the host said: ...)" with the host's messages during a push on one line, its progress
/// lines ("Resolving deltas: 100% (3/3)") left out; "" when there are none.
std::string hostSaid(const std::string &messages)
{
    std::string said;
    std::string line;
    for (std::size_t i = 0; i <= messages.size(); ++i) {
        const char c = i < messages.size() ? messages[i] : '\n';
        if (c != '\n' && c != '\r') {
            if (static_cast<unsigned char>(c) >= 0x20)
                line += c;
            continue;
        }
        const auto first = line.find_first_not_of(' ');
        if (first != std::string::npos && line.find("% (") == std::string::npos)
            said += (said.empty() ? "" : "; ") + line.substr(first);
        line.clear();
    }
    return said.empty() ? "" : " (the host said: " + said + ")";
}

/// Tells the progress of a publish, one report at a time: the site is read on a thread of its
/// own while the branch is fetched.
class Reporter
{
public:
    explicit Reporter(const GitPublish &request)
        : m_request(request)
    { }
    void operator()(const char *stage, std::size_t done, std::size_t total)
    {
        if (!m_request.progress)
            return;
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_request.progress({ stage, done, total });
    }

private:
    const GitPublish &m_request;
    std::mutex m_mutex;
};

/// The site's files as a tree would hold them, with NoJekyllName unless the site has its own.
Files siteFiles(const LocalSite &site, const GitPublish &request, Reporter &report)
{
    const Manifest names = site.list();
    Files files;
    std::size_t done = 0;
    for (const auto &[name, digest] : names) {
        if (request.hooks.cancel != nullptr && request.hooks.cancel->load())
            throw TransferCancelled();
        files[name].id = blobIdOfFile(site, name);
        report("Reading the site", ++done, names.size());
    }
    if (!files.contains(NoJekyllName))
        files[NoJekyllName].id = emptyBlob();
    return files;
}

int collectEntry(const char *root, const git_tree_entry *entry, void *payload)
{
    if (git_tree_entry_type(entry) == GIT_OBJECT_TREE)
        return 0;
    auto &files = *static_cast<Files *>(payload);
    Entry &kept = files[std::string(root) + git_tree_entry_name(entry)];
    kept.id = *git_tree_entry_id(entry);
    kept.mode = git_tree_entry_filemode(entry);
    return 0;
}

/// The files of a commit's tree; none for no commit.
Files filesOf(git_repository *repository, const std::optional<git_oid> &commitId)
{
    Files files;
    if (!commitId)
        return files;
    git_commit *commit = nullptr;
    git_tree *tree = nullptr;
    if (git_commit_lookup(&commit, repository, &*commitId) != 0)
        fail("Cannot read the fetched commit " + hexOf(*commitId) + ": " + lastGitError());
    const Commit ownedCommit(commit);
    if (git_commit_tree(&tree, commit) != 0)
        fail("Cannot read the tree of " + hexOf(*commitId) + ": " + lastGitError());
    const Tree ownedTree(tree);
    if (git_tree_walk(tree, GIT_TREEWALK_PRE, &collectEntry, &files) != 0)
        fail("Cannot read the tree of " + hexOf(*commitId) + ": " + lastGitError());
    return files;
}

UploadPlan planOf(const Files &site, const Files &branch)
{
    UploadPlan plan;
    for (const auto &[name, entry] : site) {
        const auto found = branch.find(name);
        if (found == branch.end() || !(found->second == entry))
            plan.send.push_back(name);
    }
    for (const auto &[name, entry] : branch) {
        if (!site.contains(name))
            plan.remove.push_back(name);
    }
    return plan;
}

/// Folders of a tree to be written, by name.
struct Folder
{
    std::map<std::string, git_oid> files;
    std::map<std::string, Folder> folders;
};

git_oid writeFolder(git_repository *repository, const Folder &folder)
{
    git_treebuilder *builder = nullptr;
    if (git_treebuilder_new(&builder, repository, nullptr) != 0)
        fail("Cannot make a tree: " + lastGitError());
    const TreeBuilder owned(builder);
    for (const auto &[name, id] : folder.files) {
        if (git_treebuilder_insert(nullptr, builder, name.c_str(), &id, GIT_FILEMODE_BLOB) != 0)
            fail("git cannot hold the file name " + printableName(name) + ": " + lastGitError());
    }
    for (const auto &[name, inner] : folder.folders) {
        const git_oid id = writeFolder(repository, inner);
        if (git_treebuilder_insert(nullptr, builder, name.c_str(), &id, GIT_FILEMODE_TREE) != 0)
            fail("git cannot hold the folder name " + printableName(name) + ": " + lastGitError());
    }
    git_oid id;
    if (git_treebuilder_write(&id, builder) != 0)
        fail("Cannot write a tree: " + lastGitError());
    return id;
}

/// A name or address as a commit's author line takes it: no angle brackets, no line breaks.
std::string signatureText(std::string text)
{
    std::erase_if(text, [](char c) { return c == '<' || c == '>' || c == '\n' || c == '\r'; });
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? ""
                                      : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string configValue(const char *name)
{
    git_config *config = nullptr;
    if (git_config_open_default(&config) != 0)
        return {};
    const Config owned(config);
    git_buf value = GIT_BUF_INIT;
    std::string text;
    if (git_config_get_string_buf(&value, config, name) == 0)
        text = value.ptr;
    git_buf_dispose(&value);
    return text;
}

std::string today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    char text[16] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

/// "Name <address> SECONDS +HHMM", the author and committer of a commit made now.
std::string signatureLine(const GitPublish &request)
{
    std::string name = signatureText(request.settings.authorName);
    std::string email = signatureText(request.settings.authorEmail);
    if (name.empty())
        name = signatureText(configValue("user.name"));
    if (email.empty())
        email = signatureText(configValue("user.email"));
    if (name.empty())
        name = signatureText(request.siteTitle);
    if (name.empty())
        name = "Corvanta";
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    const long offset = local.tm_gmtoff / 60;
    char zone[32] = {};
    std::snprintf(zone, sizeof zone, "%c%02ld%02ld", offset < 0 ? '-' : '+', std::labs(offset) / 60,
        std::labs(offset) % 60);
    return name + " <" + email + "> " + std::to_string(static_cast<long long>(now)) + " " + zone;
}

/// While it lives, Cancel also ends a connection to the host that hangs: libgit2 waits on the
/// host without asking back, so the sockets opened meanwhile to the host's port are shut down,
/// which ends the wait at once.
class HangWatch
{
public:
    HangWatch(const std::atomic<bool> *cancel, int port)
    {
        if (cancel == nullptr)
            return;
        const std::set<int> before = sockets();
        m_thread = std::thread([this, cancel, port, before] {
            std::unique_lock<std::mutex> lock(m_mutex);
            while (!m_done) {
                m_wake.wait_for(lock, std::chrono::milliseconds(100));
                if (m_done || !cancel->load())
                    continue;
                for (const int fd : sockets()) {
                    if (!before.contains(fd) && peerPort(fd) == port)
                        ::shutdown(fd, SHUT_RDWR);
                }
            }
        });
    }
    ~HangWatch()
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }
    HangWatch(const HangWatch &) = delete;
    HangWatch &operator=(const HangWatch &) = delete;

private:
    /// The descriptors of the process that are sockets.
    static std::set<int> sockets()
    {
        std::set<int> found;
        std::error_code error;
        for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
            std::error_code unreadable;
            const std::string target = std::filesystem::read_symlink(entry.path(), unreadable);
            if (!unreadable && target.starts_with("socket:"))
                found.insert(std::atoi(entry.path().filename().c_str()));
        }
        return found;
    }
    static int peerPort(int fd)
    {
        sockaddr_storage peer {};
        socklen_t length = sizeof peer;
        if (::getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &length) != 0)
            return -1;
        if (peer.ss_family == AF_INET)
            return ntohs(reinterpret_cast<const sockaddr_in *>(&peer)->sin_port);
        if (peer.ss_family == AF_INET6)
            return ntohs(reinterpret_cast<const sockaddr_in6 *>(&peer)->sin6_port);
        return -1;
    }

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
};

/// One repository the commits are made in, and the branch's tip as last seen on the host.
class Publisher
{
public:
    Publisher(const GitPublish &request, Reporter &reporter)
        : m_request(request)
        , m_reporter(reporter)
        , m_remote(parseGitRemote(request.settings.remote))
        , m_branchRef("refs/heads/" + branchOf(request.settings))
    { }

    /// The branch's tip on the host, fetched; none when the branch does not exist.
    std::optional<git_oid> fetch() { return m_remote.local ? localTip() : fetchOverSsh(); }

    git_repository *repository() const { return m_repository.get(); }

    /// Writes the site's objects and a commit of them on `tip`.
    git_oid commit(const LocalSite &site, const Files &files, const UploadPlan &plan,
        const std::optional<git_oid> &tip)
    {
        git_odb *odb = nullptr;
        if (git_repository_odb(&odb, repository()) != 0)
            fail("Cannot open the repository's objects: " + lastGitError());
        const Odb owned(odb);
        std::size_t done = 0;
        for (const std::string &name : plan.send) {
            checkCancel();
            const Entry &entry = files.at(name);
            if (git_odb_exists(odb, &entry.id) == 0) {
                const bool ownNoJekyll
                    = name == NoJekyllName && git_oid_equal(&entry.id, &emptyBlob()) != 0;
                const std::string bytes = ownNoJekyll ? std::string() : readSiteFile(site, name);
                git_oid written;
                if (git_odb_write(&written, odb, bytes.data(), bytes.size(), GIT_OBJECT_BLOB) != 0)
                    fail("Cannot write " + name + " into the repository: " + lastGitError());
                if (!git_oid_equal(&written, &entry.id))
                    fail(site.path() + "/" + name
                        + " changed while it was published; publish the site again");
            }
            report("Writing", ++done, plan.send.size());
        }
        Folder root;
        for (const auto &[name, entry] : files) {
            Folder *folder = &root;
            std::size_t start = 0;
            for (auto slash = name.find('/'); slash != std::string::npos;
                 start = slash + 1, slash = name.find('/', start))
                folder = &folder->folders[name.substr(start, slash - start)];
            folder->files[name.substr(start)] = entry.id;
        }
        const git_oid tree = writeFolder(repository(), root);

        const std::string signature = signatureLine(m_request);
        std::string text = "tree " + hexOf(tree) + "\n";
        if (tip)
            text += "parent " + hexOf(*tip) + "\n";
        text += "author " + signature + "\ncommitter " + signature + "\n\n"
            + gitCommitMessage(m_request.siteTitle, today()) + "\n";
        git_oid commit;
        if (git_odb_write(&commit, odb, text.data(), text.size(), GIT_OBJECT_COMMIT) != 0)
            fail("Cannot write the commit: " + lastGitError());
        return commit;
    }

    /// Puts `commit` on the branch when the branch's tip is still `tip`; false when the host
    /// did not take it: the branch moved there meanwhile, or the host refused the update
    /// (refusal() then holds its answer).
    bool push(const git_oid &commit, const std::optional<git_oid> &tip)
    {
        m_refusal.clear();
        m_hostSays.clear();
        return m_remote.local ? updateLocalBranch(commit, tip) : pushOverSsh(commit);
    }

    /// What the host answered when it refused the last push; empty when it did not.
    const std::string &refusal() const { return m_refusal; }

    const GitRemote &remote() const { return m_remote; }

private:
    void checkCancel() const
    {
        if (cancelled())
            throw TransferCancelled();
    }
    bool cancelled() const
    {
        return m_request.hooks.cancel != nullptr && m_request.hooks.cancel->load();
    }
    void report(const char *stage, std::size_t done, std::size_t total) const
    {
        m_reporter(stage, done, total);
    }
    std::string hostName() const { return m_remote.local ? m_remote.path : m_remote.host; }

    // A repository on this computer: the commit is written into it and its branch moved
    // only from the tip that was read, under git's lock.

    std::optional<git_oid> localTip()
    {
        if (!m_repository) {
            git_repository *repository = nullptr;
            if (git_repository_open_ext(
                    &repository, m_remote.path.c_str(), GIT_REPOSITORY_OPEN_NO_SEARCH, nullptr)
                != 0)
                fail("Cannot open the repository " + m_remote.path + ": " + lastGitError());
            m_repository.reset(repository);
            if (!git_repository_is_bare(repository)) {
                git_reference *head = nullptr;
                if (git_reference_lookup(&head, repository, "HEAD") == 0) {
                    const Reference owned(head);
                    const char *target = git_reference_symbolic_target(head);
                    if (target != nullptr && m_branchRef == target)
                        fail("The branch " + branchOf(m_request.settings) + " is checked out in "
                            + m_remote.path
                            + "; publish to a bare repository or to another branch");
                }
            }
        }
        git_oid tip;
        const int error = git_reference_name_to_id(&tip, repository(), m_branchRef.c_str());
        if (error == GIT_ENOTFOUND)
            return std::nullopt;
        if (error != 0)
            fail("Cannot read the branch " + branchOf(m_request.settings) + " of " + m_remote.path
                + ": " + lastGitError());
        return tip;
    }

    bool updateLocalBranch(const git_oid &commit, const std::optional<git_oid> &tip)
    {
        checkCancel();
        git_reference *reference = nullptr;
        const std::string message = "publish: " + hexOf(commit);
        const int error = tip ? git_reference_create_matching(&reference, repository(),
                              m_branchRef.c_str(), &commit, 1, &*tip, message.c_str())
                              : git_reference_create(&reference, repository(), m_branchRef.c_str(),
                                  &commit, 0, message.c_str());
        git_reference_free(reference);
        if (error == GIT_EMODIFIED || error == GIT_EEXISTS || error == GIT_ELOCKED)
            return false;
        if (error != 0)
            fail("Cannot move the branch " + branchOf(m_request.settings) + " of " + m_remote.path
                + ": " + lastGitError());
        return true;
    }

    // A repository over SSH: a repository of the program's own in the user's cache folder
    // holds what was fetched and the commits made; the push never forces.

    void openCache()
    {
        if (m_repository)
            return;
        const std::optional<std::string> cache = Platform::userFolder(Platform::UserFolder::Cache);
        if (!cache)
            fail("Cannot find the folder for the repository's copy: HOME is not set");
        const std::string folder = *cache + "/corvanta/git";
        Platform::makePrivateFolder(folder);
        const std::string path
            = folder + "/" + sha256Hex(m_request.settings.remote).substr(0, 24) + ".git";
        git_repository *repository = nullptr;
        if (git_repository_open_bare(&repository, path.c_str()) != 0
            && git_repository_init(&repository, path.c_str(), 1) != 0)
            fail("Cannot make the repository's copy in " + path + ": " + lastGitError());
        m_repository.reset(repository);
        // Copies of repositories no upload used for months go; this one is in use.
        Platform::markCacheEntryUsed(path);
        Platform::cleanCacheFolder(folder, {});
        // A run killed while it moved one of the program's own references left its lock;
        // one older than a minute is no other run's.
        for (const char *name : { FetchedRef, PublishRef }) {
            const std::string lock = path + "/" + name + ".lock";
            struct stat info
            {
            };
            if (::stat(lock.c_str(), &info) == 0 && std::time(nullptr) - info.st_mtime > 60)
                ::unlink(lock.c_str());
        }
        git_remote *remote = nullptr;
        if (git_remote_create_anonymous(&remote, repository, m_request.settings.remote.c_str())
            != 0)
            fail("Cannot use the remote " + m_request.settings.remote + ": " + lastGitError());
        m_gitRemote.reset(remote);
    }

    git_remote_callbacks callbacks()
    {
        git_remote_callbacks callbacks;
        git_remote_init_callbacks(&callbacks, GIT_REMOTE_CALLBACKS_VERSION);
        callbacks.payload = this;
        callbacks.credentials = &Publisher::credentials;
        callbacks.certificate_check = &Publisher::certificateCheck;
        // What the host's programs say on the way, kept for a refusal's message.
        callbacks.sideband_progress = [](const char *text, int length, void *self) {
            auto *publisher = static_cast<Publisher *>(self);
            if (publisher->m_hostSays.size() < 2000)
                publisher->m_hostSays.append(text, static_cast<std::size_t>(length));
            return publisher->cancelled() ? -1 : 0;
        };
        callbacks.transfer_progress = [](const git_indexer_progress *stats, void *self) {
            auto *publisher = static_cast<Publisher *>(self);
            publisher->report("Receiving", stats->received_objects, stats->total_objects);
            return publisher->cancelled() ? -1 : 0;
        };
        callbacks.pack_progress = [](int, std::uint32_t, std::uint32_t, void *self) {
            return static_cast<Publisher *>(self)->cancelled() ? -1 : 0;
        };
        callbacks.push_transfer_progress
            = [](unsigned int current, unsigned int total, std::size_t, void *self) {
                  auto *publisher = static_cast<Publisher *>(self);
                  publisher->report("Sending", current, total);
                  return publisher->cancelled() ? -1 : 0;
              };
        callbacks.push_update_reference = [](const char *, const char *status, void *self) {
            if (status != nullptr)
                static_cast<Publisher *>(self)->m_refusal
                    = status + hostSaid(static_cast<Publisher *>(self)->m_hostSays);
            return 0;
        };
        return callbacks;
    }

    /// Throws the failure of a libgit2 call on the connection: Cancel, a refused host key or
    /// login, or what libgit2 says.
    [[noreturn]] void connectionFailed(const std::string &what)
    {
        if (cancelled())
            throw TransferCancelled();
        if (!m_problem.empty())
            fail(m_problem);
        // A key that cannot be read with the passphrase given fails before the host is asked.
        const git_error *error = git_error_last();
        if (m_credentialTries > 0 && error != nullptr && error->klass == GIT_ERROR_SSH
            && std::string_view(error->message).find("authenticate") != std::string_view::npos)
            fail(refusedKey());
        fail("Cannot " + what + " " + m_request.settings.remote + ": " + lastGitError());
    }

    std::optional<git_oid> fetchOverSsh()
    {
        openCache();
        m_problem.clear();
        m_credentialTries = 0;
        const git_remote_callbacks callbacks = this->callbacks();
        git_remote *remote = m_gitRemote.get();
        const HangWatch watch(m_request.hooks.cancel, m_remote.port);
        if (git_remote_connect(remote, GIT_DIRECTION_FETCH, &callbacks, nullptr, nullptr) != 0)
            connectionFailed("reach");
        const git_remote_head **heads = nullptr;
        std::size_t count = 0;
        if (git_remote_ls(&heads, &count, remote) != 0)
            connectionFailed("list the branches of");
        std::optional<git_oid> tip;
        for (std::size_t i = 0; i < count; ++i) {
            if (m_branchRef == heads[i]->name)
                tip = heads[i]->oid;
        }
        if (tip && git_odb_exists(odb(), &*tip) == 0) {
            const std::string mapping = "+" + m_branchRef + ":" + FetchedRef;
            char *mappings[] = { const_cast<char *>(mapping.c_str()) };
            const git_strarray branchMappings { mappings, 1 };
            git_fetch_options options;
            git_fetch_options_init(&options, GIT_FETCH_OPTIONS_VERSION);
            options.callbacks = callbacks;
            options.download_tags = GIT_REMOTE_DOWNLOAD_TAGS_NONE;
            if (git_remote_download(remote, &branchMappings, &options) != 0)
                connectionFailed("fetch the branch " + branchOf(m_request.settings) + " from");
        }
        git_remote_disconnect(remote);
        if (tip) {
            // Kept as a reference, so the next fetch tells the host what is here already.
            git_reference *reference = nullptr;
            if (git_reference_create(&reference, repository(), FetchedRef, &*tip, 1, nullptr) != 0)
                fail("Cannot keep the fetched branch: " + lastGitError());
            git_reference_free(reference);
        }
        return tip;
    }

    git_odb *odb()
    {
        if (!m_odb) {
            git_odb *odb = nullptr;
            if (git_repository_odb(&odb, repository()) != 0)
                fail("Cannot open the repository's objects: " + lastGitError());
            m_odb.reset(odb);
        }
        return m_odb.get();
    }

    bool pushOverSsh(const git_oid &commit)
    {
        git_reference *reference = nullptr;
        if (git_reference_create(&reference, repository(), PublishRef, &commit, 1, nullptr) != 0)
            fail("Cannot keep the commit: " + lastGitError());
        git_reference_free(reference);
        m_problem.clear();
        m_credentialTries = 0;
        // Never forced: the host takes the commit only on the tip it was made on.
        const std::string mapping = std::string(PublishRef) + ":" + m_branchRef;
        char *mappings[] = { const_cast<char *>(mapping.c_str()) };
        const git_strarray branchMappings { mappings, 1 };
        git_push_options options;
        git_push_options_init(&options, GIT_PUSH_OPTIONS_VERSION);
        options.callbacks = callbacks();
        const HangWatch watch(m_request.hooks.cancel, m_remote.port);
        const int error = git_remote_push(m_gitRemote.get(), &branchMappings, &options);
        if (error == GIT_ENONFASTFORWARD)
            return false;
        if (error != 0)
            connectionFailed("push to");
        // A refusal is taken as the branch having moved; the next fetch tells whether it did.
        return m_refusal.empty();
    }

    std::string refusedKey() const
    {
        const std::string &identity = m_request.settings.identity;
        return identity.empty()
            ? m_remote.host + " refused every key of the SSH agent"
            : m_remote.host + " refused the key " + identity + " or its passphrase";
    }

    static int credentials(git_credential **out, const char *, const char *userFromUrl,
        unsigned int allowed, void *payload)
    {
        auto *self = static_cast<Publisher *>(payload);
        const std::string user = userFromUrl != nullptr && *userFromUrl != '\0'
            ? userFromUrl
            : (self->m_remote.user.empty() ? loginName() : self->m_remote.user);
        if ((allowed & GIT_CREDENTIAL_USERNAME) != 0)
            return git_credential_username_new(out, user.c_str());
        const std::string &identity = self->m_request.settings.identity;
        const std::string &host = self->m_remote.host;
        if ((allowed & GIT_CREDENTIAL_SSH_KEY) == 0) {
            self->m_problem = host + " takes no SSH key; publishing to git needs one";
            return GIT_EUSER;
        }
        if (++self->m_credentialTries > 1) {
            self->m_problem = self->refusedKey();
            return GIT_EUSER;
        }
        if (identity.empty()) {
            if (std::getenv("SSH_AUTH_SOCK") == nullptr) {
                self->m_problem = "No key for " + host
                    + ": name a key file (identity), or start an SSH agent that holds one";
                return GIT_EUSER;
            }
            return git_credential_ssh_key_from_agent(out, user.c_str());
        }
        try {
            const std::string path = expandHome(identity);
            const std::string publicKey = path + ".pub";
            const std::string &passphrase = self->m_request.passphrase;
            // With the public half at hand the key is decrypted once, to sign.
            struct stat info
            {
            };
            return git_credential_ssh_key_new(out, user.c_str(),
                ::stat(publicKey.c_str(), &info) == 0 ? publicKey.c_str() : nullptr, path.c_str(),
                passphrase.empty() ? nullptr : passphrase.c_str());
        } catch (const Platform::FileError &error) {
            self->m_problem = Platform::cp1252ToUtf8(error.what());
            return GIT_EUSER;
        }
    }

    static int certificateCheck(git_cert *certificate, int, const char *, void *payload)
    {
        auto *self = static_cast<Publisher *>(payload);
        const std::string &host = self->m_remote.host;
        const int port = self->m_remote.port;
        if (certificate->cert_type != GIT_CERT_HOSTKEY_LIBSSH2
            || (reinterpret_cast<git_cert_hostkey *>(certificate)->type & GIT_CERT_SSH_RAW) == 0) {
            self->m_problem = "The host key of " + host + " could not be read";
            return GIT_ECERTIFICATE;
        }
        const auto *hostKey = reinterpret_cast<git_cert_hostkey *>(certificate);
        const std::string key(hostKey->hostkey, hostKey->hostkey_len);
        const TransferHooks &hooks = self->m_request.hooks;
        try {
            const KnownHosts knownHosts(
                hooks.knownHostsPath.empty() ? KnownHosts::defaultPath() : hooks.knownHostsPath);
            const std::string fingerprint = fingerprintOf(key);
            if (const std::optional<std::string> kept = knownHosts.keyOf(host, port)) {
                if (*kept == key)
                    return 0;
                self->m_problem = "The host key of " + host + " has changed: it was "
                    + fingerprintOf(*kept) + " and is now " + fingerprint
                    + ". The connection was refused; if the host's administrator confirms the "
                      "new key, remove the old one from "
                    + knownHosts.path();
                return GIT_ECERTIFICATE;
            }
            if (!hooks.acceptNewHostKey || !hooks.acceptNewHostKey(host, fingerprint)) {
                self->m_problem = "The host key of " + host + " (" + fingerprint
                    + ") is not known and was not accepted";
                return GIT_ECERTIFICATE;
            }
            knownHosts.accept(host, port, key);
            return 0;
        } catch (const Platform::FileError &error) {
            self->m_problem = Platform::cp1252ToUtf8(error.what());
            return GIT_ECERTIFICATE;
        }
    }

    const GitPublish &m_request;
    Reporter &m_reporter;
    GitRemote m_remote;
    std::string m_branchRef;
    Repository m_repository;
    Odb m_odb;
    Remote m_gitRemote;
    std::string m_problem; ///< why the connection was refused (host key, login), UTF-8
    std::string m_refusal; ///< the host's answer when it refused the branch's update
    std::string m_hostSays; ///< the host's messages during the last push
    int m_credentialTries = 0;
};

/// Reads the site on a thread of its own.
std::future<Files> readSite(const LocalSite &site, const GitPublish &request, Reporter &reporter)
{
    return std::async(std::launch::async,
        [&site, &request, &reporter] { return siteFiles(site, request, reporter); });
}

/// Fetches the branch while the site is read; a failure of either is thrown once both ended.
std::optional<git_oid> fetchBeside(Publisher &publisher, std::future<Files> &reading)
{
    try {
        return publisher.fetch();
    } catch (...) {
        reading.wait();
        throw;
    }
}

} // namespace

std::string gitCommitMessage(const std::string &siteTitle, const std::string &date)
{
    std::string title = siteTitle;
    std::replace(title.begin(), title.end(), '\n', ' ');
    std::replace(title.begin(), title.end(), '\r', ' ');
    return title.empty() ? "Publish " + date : "Publish " + title + " " + date;
}

std::optional<std::size_t> fetchGitBranch(const GitPublish &request)
{
    const Library library;
    Reporter reporter(request);
    Publisher publisher(request, reporter);
    const std::optional<git_oid> tip = publisher.fetch();
    if (!tip)
        return std::nullopt;
    return filesOf(publisher.repository(), tip).size();
}

UploadPlan planGitPublish(const GitPublish &request)
{
    const Library library;
    const LocalSite site(request.websiteDir);
    Reporter reporter(request);
    Publisher publisher(request, reporter);
    std::future<Files> files = readSite(site, request, reporter);
    const std::optional<git_oid> tip = fetchBeside(publisher, files);
    return planOf(files.get(), filesOf(publisher.repository(), tip));
}

GitPublishResult publishToGit(const GitPublish &request)
{
    const Library library;
    const LocalSite site(request.websiteDir);
    Reporter reporter(request);
    Publisher publisher(request, reporter);
    GitPublishResult result;
    std::optional<Files> files;
    std::optional<git_oid> refusedTip;
    try {
        std::future<Files> reading = readSite(site, request, reporter);
        for (result.tries = 1; result.tries <= MostTries; ++result.tries) {
            const std::optional<git_oid> tip
                = result.tries == 1 ? fetchBeside(publisher, reading) : publisher.fetch();
            if (!publisher.refusal().empty() && tip.has_value() == refusedTip.has_value()
                && (!tip || git_oid_equal(&*tip, &*refusedTip) != 0))
                fail(request.settings.remote + " refused to update the branch "
                    + branchOf(request.settings) + ": " + publisher.refusal());
            if (!files)
                files = reading.get();
            result.plan = planOf(*files, filesOf(publisher.repository(), tip));
            if (result.plan.empty())
                return result;
            const git_oid commit = publisher.commit(site, *files, result.plan, tip);
            if (publisher.push(commit, tip)) {
                result.commit = hexOf(commit);
                return result;
            }
            refusedTip = tip;
        }
    } catch (const TransferCancelled &) {
        result.outcome = UploadOutcome::Cancelled;
        return result;
    }
    fail("The branch " + branchOf(request.settings) + " of " + request.settings.remote
        + " changed on the host during each of " + std::to_string(MostTries)
        + " tries, so the site was not published; publish again");
}

} // namespace Upload
