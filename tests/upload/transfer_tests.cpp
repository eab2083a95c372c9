// Uploads against real servers started on 127.0.0.1: OpenSSH's sshd (sftp) and pyftpdlib
// (ftps and plain ftp). Each story runs once per protocol.
#include "tests/support/tempdir.h"
#include "tests/upload/testservers.h"
#include "upload/knownhosts.h"
#include "upload/siteupload.h"

#include "platform/encoding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace Upload {
void PrintTo(const FileDigest &digest, std::ostream *out)
{
    *out << (digest.known() ? digest.sha256.substr(0, 8) : "-") << " " << digest.size;
}
} // namespace Upload

using namespace Upload;
using Testing::readBytes;
using Testing::TempDir;
using Testing::writeBytes;
namespace fs = std::filesystem;

namespace {

ino_t inodeOf(const std::string &path)
{
    struct stat status
    {
    };
    ::stat(path.c_str(), &status);
    return status.st_ino;
}

/// The files below a folder on the host's side, the program's own temporaries included.
Manifest filesBelow(const std::string &folder)
{
    Manifest files;
    for (const auto &entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(folder).generic_string();
        if (entry.is_regular_file() && name != ManifestName) {
            const std::string bytes = readBytes(entry.path());
            files[name] = { sha256Hex(bytes), bytes.size() };
        }
    }
    return files;
}

class UploadStory : public testing::TestWithParam<Protocol>
{
protected:
    void SetUp() override
    {
        ::setenv("XDG_CONFIG_HOME", work.file("config").c_str(), 1);
        if (GetParam() == Protocol::Sftp) {
            server = std::make_unique<Testing::SftpServer>(work.file("server"));
        } else {
            auto ftp = std::make_unique<Testing::FtpServer>(work.file("server"), GetParam());
            ::setenv("SSL_CERT_FILE", ftp->certificate().c_str(), 1);
            server = std::move(ftp);
        }
        server->start();
        fs::create_directories(site() + "/files");
        fs::create_directories(remoteSite());
        writeBytes(site() + "/index.html", "<p>home</p>");
        writeBytes(site() + "/about.html", std::string(300000, 'a'));
        writeBytes(site() + "/styles.css", "body {}");
        writeBytes(site() + "/files/price list \xc3\xa9t\xc3\xa9.pdf", "%PDF brochure");
        hooks.acceptNewHostKey = [this](const std::string &, const std::string &fingerprint) {
            offeredFingerprints.push_back(fingerprint);
            return true;
        };
        hooks.warning = [this](const std::string &text) { warnings.push_back(text); };
        ::setenv("XDG_STATE_HOME", work.file("state").c_str(), 1);
    }

    std::string site() const { return work.file("website"); }
    std::string remoteSite() const { return server->root() + "/site"; }
    RemoteFolder connect(const std::string &password = {})
    {
        return RemoteFolder(
            server->settings(), password.empty() ? server->password() : password, hooks);
    }
    /// The host holds the site's files, and a manifest that lists exactly them.
    void expectRemoteEqualsLocal()
    {
        const Manifest local = scanWebsite(site());
        EXPECT_EQ(filesBelow(remoteSite()), local);
        EXPECT_EQ(parseManifest(readBytes(remoteSite() + "/" + ManifestName)), local);
    }

    TempDir work;
    std::unique_ptr<Testing::TestServer> server;
    TransferHooks hooks;
    std::vector<std::string> offeredFingerprints;
    std::vector<std::string> warnings;
};

std::string protocolLabel(const testing::TestParamInfo<Protocol> &info)
{
    return protocolName(info.param);
}

INSTANTIATE_TEST_SUITE_P(Protocols, UploadStory,
    testing::Values(Protocol::Sftp, Protocol::Ftps, Protocol::Ftp), protocolLabel);

TEST_P(UploadStory, FirstUpload_SendsEveryFileIntoSubfolders_PicturesAndStylesBeforePages)
{
    std::vector<std::string> order;
    hooks.progress = [&](const Progress &progress) {
        if (order.empty() || order.back() != progress.currentFile)
            order.push_back(progress.currentFile);
    };
    RemoteFolder remote = connect();
    EXPECT_EQ(uploadWebsite(remote, site()), UploadOutcome::Completed);

    expectRemoteEqualsLocal();
    EXPECT_EQ(order,
        (std::vector<std::string> {
            "files/price list \xc3\xa9t\xc3\xa9.pdf", "styles.css", "about.html", "index.html" }));
    EXPECT_EQ(offeredFingerprints.size(), GetParam() == Protocol::Sftp ? 1u : 0u);
}

TEST_P(UploadStory, SecondUpload_SendsOnlyTheChangedPageAndTheManifest)
{
    RemoteFolder remote = connect();
    uploadWebsite(remote, site());
    const ino_t untouched = inodeOf(remoteSite() + "/index.html");
    writeBytes(site() + "/about.html", "<p>about us, rewritten</p>");
    // As after an upload by an earlier version, which kept no record on this machine.
    fs::remove_all(work.file("state"));

    RemoteFolder again = connect();
    const LocalSite local(site());
    const RemoteState state = planWebsiteUpload(again, local);
    EXPECT_EQ(state.plan.send, std::vector<std::string> { "about.html" });
    EXPECT_TRUE(state.plan.remove.empty());
    uploadWebsite(again, local, state);

    expectRemoteEqualsLocal();
    EXPECT_EQ(inodeOf(remoteSite() + "/index.html"), untouched);
    EXPECT_TRUE(planWebsiteUpload(again, local).unchanged());
}

TEST_P(UploadStory, PageRemoved_DeletedOnTheHost_FilesTheManifestDoesNotListKept)
{
    RemoteFolder remote = connect();
    uploadWebsite(remote, site());
    writeBytes(remoteSite() + "/guestbook.php", "the owner's own file");
    fs::remove(site() + "/about.html");
    // As a run stopped between removing the old manifest and renaming the new one leaves it.
    fs::rename(remoteSite() + "/" + ManifestName,
        remoteSite() + "/" + RemoteFolder::temporaryName(ManifestName));

    uploadWebsite(remote, site());

    EXPECT_FALSE(fs::exists(remoteSite() + "/about.html"));
    EXPECT_EQ(readBytes(remoteSite() + "/guestbook.php"), "the owner's own file");
    fs::remove(remoteSite() + "/guestbook.php");
    expectRemoteEqualsLocal();
}

TEST_P(UploadStory, ServerStopsMidFile_WholeFilesOnly_NextRunCompletes)
{
    RemoteFolder first = connect();
    uploadWebsite(first, site());
    const Manifest before = filesBelow(remoteSite());
    writeBytes(site() + "/about.html", std::string(4000000, 'b'));
    writeBytes(site() + "/index.html", "<p>new home</p>");

    hooks.progress = [&](const Progress &progress) {
        if (progress.currentFile == "about.html" && progress.bytesSent > 100000)
            server->stop();
    };
    RemoteFolder cut = connect();
    const std::string error = Testing::errorOf([&] { uploadWebsite(cut, site()); });
    EXPECT_NE(error.find("The connection to 127.0.0.1 failed while sending about.html"),
        std::string::npos)
        << error;
    // Every name holds an old file whole; the partial one sits under its temporary name.
    for (const auto &[name, digest] : filesBelow(remoteSite())) {
        if (name.find(".corvanta-part.") == std::string::npos) {
            EXPECT_EQ(digest, before.at(name)) << name;
        }
    }

    hooks.progress = nullptr;
    server->start();
    RemoteFolder next = connect();
    EXPECT_EQ(uploadWebsite(next, site()), UploadOutcome::Completed);
    expectRemoteEqualsLocal();
}

TEST_P(UploadStory, CancelMidRun_StopsWithinASecond_ManifestMatchesTheHost)
{
    const std::string page(20000000, 'c'); // NOLINT(bugprone-string-constructor): on purpose
    writeBytes(site() + "/about.html", page);
    std::atomic<bool> cancel = false;
    std::chrono::steady_clock::time_point cancelledAt;
    hooks.cancel = &cancel;
    hooks.progress = [&](const Progress &progress) {
        if (progress.currentFile == "about.html" && !cancel) {
            cancel = true;
            cancelledAt = std::chrono::steady_clock::now();
        }
    };
    RemoteFolder remote = connect();
    EXPECT_EQ(uploadWebsite(remote, site()), UploadOutcome::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - cancelledAt, std::chrono::seconds(1));

    // The pictures and styles sent before Cancel are in the manifest; the pages are listed as
    // not known, to be sent by the next run.
    const Manifest held = parseManifest(readBytes(remoteSite() + "/" + ManifestName));
    EXPECT_EQ(held.at("styles.css"), scanWebsite(site()).at("styles.css"));
    EXPECT_FALSE(held.at("about.html").known());
    EXPECT_FALSE(fs::exists(remoteSite() + "/about.html"));
}

TEST_P(UploadStory, WrongPassword_SaysSoAndChangesNothing)
{
    RemoteFolder remote = connect("not the password");
    const std::string expected = GetParam() == Protocol::Sftp
        ? "127.0.0.1 refused the key " + server->settings().identity + " or its passphrase"
        : "127.0.0.1 refused the user name or password";
    EXPECT_EQ(Testing::errorOf([&] { uploadWebsite(remote, site()); }), expected);
    EXPECT_TRUE(fs::is_empty(remoteSite()));
}

TEST_P(UploadStory, MissingFolder_ReportedThenMade)
{
    fs::remove(remoteSite());
    RemoteFolder remote = connect();
    EXPECT_EQ(Testing::errorOf([&] { planWebsiteUpload(remote, LocalSite(site())); }),
        "The folder " + server->settings().folder + " does not exist on 127.0.0.1");
    EXPECT_FALSE(remote.exists());
    remote.create();
    EXPECT_TRUE(remote.exists());
    uploadWebsite(remote, site());
    expectRemoteEqualsLocal();
}

TEST_P(UploadStory, ManifestEditedOnTheHost_OnlyFilesUploadedFromHereDeleted_OthersReportedOnce)
{
    RemoteFolder remote = connect();
    uploadWebsite(remote, site());
    fs::create_directories(remoteSite() + "/blog");
    writeBytes(remoteSite() + "/blog/config.php", "<?php $password = 'x';");
    const std::string manifest = remoteSite() + "/" + ManifestName;
    writeBytes(manifest, readBytes(manifest) + std::string(64, 'a') + " 22 blog/config.php\n");
    fs::remove(site() + "/about.html");

    uploadWebsite(remote, site());
    EXPECT_FALSE(fs::exists(remoteSite() + "/about.html"));
    EXPECT_EQ(readBytes(remoteSite() + "/blog/config.php"), "<?php $password = 'x';");
    EXPECT_EQ(warnings,
        std::vector<std::string> { "The host's .corvanta-manifest lists blog/config.php, which "
                                   "was not uploaded from here; it is left alone on the host and "
                                   "no longer listed" });
    uploadWebsite(remote, site());
    EXPECT_EQ(warnings.size(), 1u);
    fs::remove_all(remoteSite() + "/blog");
    expectRemoteEqualsLocal();
}

TEST_P(UploadStory, LinkPlantedAtTheTemporaryName_NeverWrittenThrough)
{
    RemoteFolder remote = connect();
    uploadWebsite(remote, site());
    writeBytes(server->root() + "/private.txt", "not the site's");
    fs::create_symlink(
        server->root() + "/private.txt", remoteSite() + "/.corvanta-part.index.html");
    writeBytes(site() + "/index.html", "<p>new home</p>");

    uploadWebsite(remote, site());
    EXPECT_EQ(readBytes(server->root() + "/private.txt"), "not the site's");
    expectRemoteEqualsLocal();
}

TEST_P(UploadStory, HostileManifest_TooLargeRefused_BadNamesDropped_FailedDeletionWarned)
{
    RemoteFolder remote = connect();
    const std::string manifest = remoteSite() + "/" + ManifestName;
    writeBytes(manifest, std::string(ManifestSizeLimit + 1, '\n'));
    EXPECT_EQ(Testing::errorOf([&] { uploadWebsite(remote, site()); }),
        "The file " + server->settings().folder
            + "/.corvanta-manifest on 127.0.0.1 is larger than the limit of 16 MB and was not "
              "read; remove it on the host to upload the whole site again");
    fs::remove(manifest);

    // A page the host will not let go of: a folder with a file in it took its name.
    writeBytes(site() + "/old.html", "<p>old</p>");
    uploadWebsite(remote, site());
    fs::remove(remoteSite() + "/old.html");
    fs::create_directories(remoteSite() + "/old.html");
    writeBytes(remoteSite() + "/old.html/keep", "x");
    fs::remove(site() + "/old.html");
    const std::string hash(64, 'b');
    writeBytes(manifest,
        readBytes(manifest) + hash + " 1 a" + std::string(1, '\0') + "b.html\n" + hash
            + " 1 x\x01.html\n" + hash + " 1  ../x\n" + hash + " 1 files/ padded.pdf\n");

    EXPECT_EQ(uploadWebsite(remote, site()), UploadOutcome::Completed);
    EXPECT_EQ(warnings,
        (std::vector<std::string> {
            // Texts run over two lines. NOLINTNEXTLINE(bugprone-suspicious-missing-comma)
            "Skipped \"a\\x00b.html\" in the host's .corvanta-manifest: the name holds a control "
            "character",
            "Skipped \"x\\x01.html\" in the host's .corvanta-manifest: the name holds a control "
            "character",
            "Skipped \" ../x\" in the host's .corvanta-manifest: a part of the name starts or ends "
            "with a blank",
            "Skipped \"files/ padded.pdf\" in the host's .corvanta-manifest: a part of the name "
            "starts or ends with a blank",
            "127.0.0.1 did not delete " + server->settings().folder
                + "/old.html; old.html is no longer listed as the site's" }));
    fs::remove_all(remoteSite() + "/old.html");
    expectRemoteEqualsLocal();
}

TEST_P(UploadStory, HostLostFiles_NothingChangedYet_CheckingTheHostResendsThemAndClearsLeftovers)
{
    RemoteFolder remote = connect();
    uploadWebsite(remote, site());
    fs::remove(remoteSite() + "/index.html");
    fs::remove(remoteSite() + "/files/price list \xc3\xa9t\xc3\xa9.pdf");
    writeBytes(remoteSite() + "/about.html", "cut");
    writeBytes(remoteSite() + "/files/.corvanta-part.old.jpg", "left by an earlier version");
    const LocalSite local(site());
    EXPECT_TRUE(planWebsiteUpload(remote, local).unchanged());

    const RemoteState state = planHostCheck(remote, local);
    EXPECT_EQ(state.plan.send,
        (std::vector<std::string> {
            "files/price list \xc3\xa9t\xc3\xa9.pdf", "about.html", "index.html" }));
    // What the user is told is a program text (Windows-1252), as every message of the program.
    EXPECT_EQ(warnings,
        (std::vector<std::string> { "about.html has 3 bytes on the host instead of 300000; it is "
                                    "sent again",
            "files/price list \xe9t\xe9.pdf is missing on the host; it is sent again",
            "index.html is missing on the host; it is sent again" }));
    uploadWebsite(remote, local, state);
    expectRemoteEqualsLocal();
}

TEST(UploadSite, LinksAndFoldersOfOthers_RefusedNamingThem_NothingSent)
{
    TempDir work;
    ::setenv("XDG_CONFIG_HOME", work.file("config").c_str(), 1);
    ::setenv("XDG_STATE_HOME", work.file("state").c_str(), 1);
    Testing::SftpServer server(work.file("server"));
    server.start();
    fs::create_directories(server.root() + "/site");
    fs::create_directories(work.file("home/.ssh"));
    writeBytes(work.file("home/.ssh/id_ed25519"), "PRIVATE KEY");
    TransferHooks hooks;
    hooks.acceptNewHostKey = [](const std::string &, const std::string &) { return true; };
    RemoteFolder remote(server.settings(), server.password(), hooks);
    const std::string website = work.file("out/website");
    const auto errorOfUpload
        = [&] { return Testing::errorOf([&] { uploadWebsite(remote, website); }); };

    fs::create_directories(work.file("out"));
    fs::create_directory_symlink(work.file("home/.ssh"), website);
    EXPECT_EQ(errorOfUpload(),
        "The website folder " + website
            + " is a link; only a folder that publishing wrote is "
              "uploaded");
    fs::remove(website);
    fs::create_directories(website);
    writeBytes(website + "/index.html", "<p>home</p>");
    fs::create_symlink(work.file("home/.ssh/id_ed25519"), website + "/key.txt");
    EXPECT_EQ(errorOfUpload(),
        "The website folder holds the link " + website
            + "/key.txt, which is not uploaded: a link could send files from outside the site. "
              "Remove it and publish again");
    fs::remove(website + "/key.txt");
    ASSERT_EQ(::chown(website.c_str(), 1, 1), 0);
    EXPECT_EQ(errorOfUpload(),
        "The website folder " + website
            + " belongs to another user; publish the site again into a folder of your own");
    EXPECT_TRUE(fs::is_empty(server.root() + "/site"));
}

class FaultyFtpHost : public UploadStory
{
};

INSTANTIATE_TEST_SUITE_P(Ftp, FaultyFtpHost, testing::Values(Protocol::Ftp), protocolLabel);

TEST_P(FaultyFtpHost, HostKeepsFewerBytes_FileFails_NameKeepsItsOldFile)
{
    writeBytes(site() + "/lost-byte.html", "<p>version 1</p>");
    RemoteFolder remote = connect();
    EXPECT_EQ(Testing::errorOf([&] { uploadWebsite(remote, site()); }),
        "127.0.0.1 received 15 of the 16 bytes of lost-byte.html; the file was not put in place");
    EXPECT_FALSE(fs::exists(remoteSite() + "/lost-byte.html"));
    EXPECT_FALSE(fs::exists(remoteSite() + "/.corvanta-part.lost-byte.html"));
}

class SftpHostKey : public UploadStory
{
};

INSTANTIATE_TEST_SUITE_P(Sftp, SftpHostKey, testing::Values(Protocol::Sftp), protocolLabel);

TEST_P(SftpHostKey, UnknownKeyRefused_AcceptedKeyKept_ChangedKeyRefusedNamingBoth)
{
    hooks.acceptNewHostKey = nullptr;
    RemoteFolder refused = connect();
    const std::string unknown = Testing::errorOf([&] { refused.exists(); });
    EXPECT_TRUE(unknown.starts_with("The host key of 127.0.0.1 (SHA256:")) << unknown;
    EXPECT_TRUE(unknown.ends_with(") is not known and was not accepted")) << unknown;

    hooks.acceptNewHostKey = [&](const std::string &, const std::string &fingerprint) {
        offeredFingerprints.push_back(fingerprint);
        return true;
    };
    RemoteFolder accepted = connect();
    EXPECT_TRUE(accepted.exists());
    ASSERT_EQ(offeredFingerprints.size(), 1u);
    const std::string oldFingerprint = offeredFingerprints[0];
    EXPECT_NE(unknown.find(oldFingerprint), std::string::npos);
    RemoteFolder known = connect();
    EXPECT_TRUE(known.exists());
    EXPECT_EQ(offeredFingerprints.size(), 1u);

    server->stop();
    static_cast<Testing::SftpServer &>(*server).changeHostKey();
    server->start();
    RemoteFolder changed = connect();
    const std::string error = Testing::errorOf([&] { uploadWebsite(changed, site()); });
    const std::string keptFingerprint = fingerprintOf(
        *KnownHosts(work.file("config/corvanta/known_hosts")).keyOf("127.0.0.1", server->port()));
    EXPECT_EQ(keptFingerprint, oldFingerprint);
    EXPECT_TRUE(error.starts_with(
        "The host key of 127.0.0.1 has changed: it was " + oldFingerprint + " and is now SHA256:"))
        << error;
    EXPECT_EQ(offeredFingerprints.size(), 1u);
    EXPECT_TRUE(fs::is_empty(remoteSite()));
}

} // namespace
