// The upload's windowless rules: the settings file, the manifest and the plan.
#include "tests/support/tempdir.h"
#include "upload/hostsettings.h"
#include "upload/knownhosts.h"
#include "upload/remotefolder.h"
#include "upload/uploadplan.h"
#include "upload/uploadrecord.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

using namespace Upload;
using Testing::errorOf;
using Testing::TempDir;
using Testing::writeBytes;

namespace {

TEST(HostSettings, WrittenThenRead_SameSettings_CommentsAndDefaultPortUnderstood)
{
    TempDir dir;
    const HostSettings settings { Protocol::Ftps, "example.org", 0, "alice", "/var/www/my site",
        "" };
    writeHostSettings(dir.file("a.cvp.upload"), settings);
    const HostSettings read = readHostSettings(dir.file("a.cvp.upload"));
    EXPECT_EQ(read.protocol, Protocol::Ftps);
    EXPECT_EQ(read.folder, "/var/www/my site");
    EXPECT_EQ(portOf(read), 21);

    writeBytes(dir.file("b.cvp.upload"),
        "[upload]\nprotocol=sftp          ; sftp, ftps or ftp\nhost=example.org\nport=2222\n"
        "user=alice\nfolder=/var/www/site   ; remote folder\nidentity=~/.ssh/id_ed25519\n");
    const HostSettings commented = readHostSettings(dir.file("b.cvp.upload"));
    EXPECT_EQ(commented.protocol, Protocol::Sftp);
    EXPECT_EQ(commented.folder, "/var/www/site");
    EXPECT_EQ(commented.identity, "~/.ssh/id_ed25519");
    EXPECT_EQ(portOf(commented), 2222);
}

TEST(HostSettings, Written_ThroughALinkedFile_NeverThroughALinkPlantedBesideIt)
{
    TempDir dir;
    writeBytes(dir.file("victim"), "keep");
    std::filesystem::create_symlink(dir.file("victim"), dir.file("a.cvp.upload.new"));
    std::filesystem::create_directory(dir.file("kept"));
    writeBytes(dir.file("kept/settings"), "old");
    std::filesystem::create_symlink(dir.file("kept/settings"), dir.file("a.cvp.upload"));
    const HostSettings settings { Protocol::Sftp, "example.org", 0, "alice", "site", "" };

    writeHostSettings(dir.file("a.cvp.upload"), settings);

    EXPECT_EQ(Testing::readBytes(dir.file("victim")), "keep");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("a.cvp.upload")));
    EXPECT_EQ(readHostSettings(dir.file("kept/settings")).host, "example.org");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("kept")),
                  std::filesystem::directory_iterator()),
        1);
}

TEST(HostSettings, BadFiles_ErrorNamesFileLineAndFault)
{
    TempDir dir;
    const std::string path = dir.file("p.cvp.upload");
    const auto errorFor = [&](const std::string &text) {
        writeBytes(path, text);
        return errorOf([&] { readHostSettings(path); });
    };
    EXPECT_EQ(errorFor("[upload]\nprotocol=sfpt\n"),
        path + ", line 2: unknown protocol \"sfpt\" (sftp, ftps, ftp or git)");
    EXPECT_EQ(errorFor("[upload]\nprotocol=ftp\nport=99999\n"),
        path + ", line 3: port must be a number from 1 to 65535, not \"99999\"");
    EXPECT_EQ(errorFor("[upload]\npassword=x\n"), path + ", line 2: unknown key \"password\"");
    EXPECT_EQ(errorFor("[upload]\nprotocol=ftp\nhost=h\nfolder=/f\n"), path + ": No user given");
    EXPECT_EQ(errorFor("[upload]\nprotocol=ftp\nhost=h\nuser=u\nfolder=/f\nidentity=k\n"),
        path + ": A key file (identity) works only with sftp and git");
    EXPECT_EQ(errorOf([&] { readHostSettings(dir.file("none.cvp.upload")); }),
        "No host settings in " + dir.file("none.cvp.upload") + " (File not found)");
}

TEST(UsersFiles, KnownHostsAndRecordInTheUsersFoldersKeyBelowHome_RefusedWithoutHomeNeverAtTheRoot)
{
    const auto variable = [](const char *name) {
        const char *value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    const std::optional<std::string> previousConfig = variable("XDG_CONFIG_HOME"),
                                     previousState = variable("XDG_STATE_HOME"),
                                     previousHome = variable("HOME");
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_STATE_HOME");
    ::setenv("HOME", "/home/a/", 1);
    const HostSettings destination { Protocol::Sftp, "example.org", 0, "alice", "/site", "" };
    EXPECT_EQ(KnownHosts::defaultPath(), "/home/a/.config/corvanta/known_hosts");
    EXPECT_TRUE(
        UploadRecord(destination).path().starts_with("/home/a/.local/state/corvanta/uploads/"));
    ::unsetenv("HOME");
    EXPECT_EQ(errorOf([] { KnownHosts::defaultPath(); }),
        "Cannot find the folder for known hosts: HOME is not set");
    EXPECT_EQ(errorOf([&] { UploadRecord record(destination); }),
        "Cannot find the folder for the record of uploads: HOME is not set");
    // A key file "~/..." is not looked for at the root either; nothing is sent anywhere.
    TempDir known;
    TransferHooks hooks;
    hooks.knownHostsPath = known.file("known_hosts");
    RemoteFolder remote(
        { Protocol::Sftp, "127.0.0.1", 1, "alice", "/site", "~/.ssh/id_ed25519" }, "", hooks);
    EXPECT_EQ(errorOf([&] { remote.exists(); }), "Cannot find the key file: HOME is not set");
    for (const auto &[name, value] : { std::pair { "XDG_CONFIG_HOME", previousConfig },
             std::pair { "XDG_STATE_HOME", previousState }, std::pair { "HOME", previousHome } }) {
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
}

TEST(Manifest, Text_KeepsBlanksAndUnknownEntries_SkipsDamagedAndCutLinesAndNamesOutside)
{
    const std::string hash(64, 'a');
    const Manifest manifest = parseManifest(hash + " 12 files/price list.pdf\n" + "garbage\n" + hash
        + " x bad.html\n" + hash + " 5 ../outside.html\n" + hash + " 5 /etc/passwd\n" + hash
        + " 3 a.html\n" + "- 0 sent.html\n" + hash + " 4 cut-short.ht");
    EXPECT_EQ(manifest,
        (Manifest { { "a.html", { hash, 3 } }, { "files/price list.pdf", { hash, 12 } },
            { "sent.html", {} } }));
    EXPECT_EQ(parseManifest(formatManifest(manifest)), manifest);
}

TEST(UploadPlan, SendsChangedAndNew_PagesLast_DeletesPagesFirstAndOnlyListedFiles)
{
    const Manifest remote { { "index.html", { std::string(64, '1'), 1 } },
        { "old.html", { std::string(64, '2'), 1 } }, { "old.jpg", { std::string(64, '3'), 1 } },
        { "same.css", { std::string(64, '4'), 1 } } };
    const Manifest local { { "index.html", { std::string(64, '9'), 1 } },
        { "logo.jpg", { std::string(64, '5'), 1 } }, { "same.css", { std::string(64, '4'), 1 } },
        { "nav.js", { std::string(64, '6'), 1 } } };
    const UploadPlan plan = planUpload(local, remote);
    EXPECT_EQ(plan.send, (std::vector<std::string> { "logo.jpg", "index.html", "nav.js" }));
    EXPECT_EQ(plan.remove, (std::vector<std::string> { "old.html", "old.jpg" }));
}

} // namespace
