#include "catalogue/templatearchive.h"
#include "catalogue/templatecatalogue.h"
#include "platform/fileerror.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/tempdir.h"
#include "tests/support/ziparchive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

using namespace Testing;
using Catalogue::AddTemplateFromArchive;
using Catalogue::ListTemplates;
using Catalogue::TemplateDirectory;
using Kind = ZipEntry::Kind;
using Names = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

/// A program home with installed templates and a user data folder in XDG_DATA_HOME.
class UserTemplates : public ::testing::Test
{
protected:
    UserTemplates()
    {
        fs::create_directories(installed());
        fs::create_directories(user());
        ::setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
    }
    ~UserTemplates() override
    {
        ::unsetenv("XDG_DATA_HOME");
        ::setenv("HOME", m_home.c_str(), 1);
    }
    std::string home() const { return dir.file("home"); }
    std::string installed() const { return home() + "/templates"; }
    std::string user() const { return dir.file("data/corvanta/templates"); }
    /// The user's templates folder after a refused archive: nothing at all.
    Names userFiles() const
    {
        Names names;
        for (const auto &entry : fs::directory_iterator(user()))
            names.push_back(entry.path().filename().string());
        return names;
    }

    TempDir dir;
    ScriptedDialogs dialogs;

private:
    std::string m_home = std::getenv("HOME") ? std::getenv("HOME") : "/";
};

} // namespace

TEST_F(UserTemplates, ListedWithTheInstalled_TheUsersWinsAndItsFilesAreReadFromItsFolder)
{
    for (const char *name : { "Blue.t", "green.t" })
        writeBytes(installed() + "/" + name, "");
    for (const char *name : { "green.t", "Amber.t", "notes.txt" })
        writeBytes(user() + "/" + name, "");
    EXPECT_EQ(ListTemplates(home()), (Names { "Amber", "Blue", "green" }));
    EXPECT_EQ(TemplateDirectory(home(), "green"), user());
    EXPECT_EQ(TemplateDirectory(home(), "Blue"), installed());
    EXPECT_EQ(Catalogue::TemplatePreviewPath(home(), "Amber"), user() + "/Amber.jpg");

    // Without XDG_DATA_HOME (or with a relative one) the folder is below HOME.
    ::setenv("XDG_DATA_HOME", "relative", 1);
    ::setenv("HOME", dir.file("data/..").c_str(), 1);
    EXPECT_EQ(
        Catalogue::UserTemplatesDirectory(), dir.file("data/../.local/share/corvanta/templates"));
    EXPECT_EQ(ListTemplates(home()), (Names { "Blue", "green" }));
}

TEST_F(UserTemplates, ArchiveRefused_WithTheReason_NothingWritten)
{
    const std::vector<std::pair<std::vector<ZipEntry>, std::string>> refused {
        { { { "Sea.t", "" }, { "../Seaevil.gif", "x" } }, "would lie outside" },
        { { { "Sea/Sea.t", "" }, { "Sea/../../Sea.gif", "x" } }, "would lie outside" },
        { { { "/tmp/Sea.t", "" } }, "is an absolute name" },
        { { { "Sea.t", "" }, { "Sealink.gif", "/etc/passwd", Kind::Link } }, "is a link" },
        { { { "Sea/Sea.t", "" }, { "Other/Sea.gif", "" } }, "do not lie in one folder" },
        { { { "a/b/Sea.t", "" } }, "do not lie in one folder" },
        { { { "Sea.t", "" }, { "Sky.t", "" } }, "more than one template" },
        { { { "readme.txt", "" } }, "holds no template" },
        { { { "Sea.t", "" }, { "banner.gif", "" } }, "does not begin with the template's name" },
        // Names that cannot be a folder's, or that would print as terminal commands.
        { { { ".t", "" } }, "the template has no name: \"\"" },
        { { { "..t", "" } }, "its name begins with \".\": \".\"" },
        { { { "Sea\x1b[2J.t", "" } }, "control characters: \"Sea\\x1b[2J\"" },
        { { { "Sea\nx.t", "" } }, "control characters: \"Sea\\x0ax\"" },
    };
    for (const auto &[entries, reason] : refused) {
        writeZip(dir.file("t.zip"), entries);
        const std::string error
            = errorOf([&] { AddTemplateFromArchive(dir.file("t.zip"), home(), dialogs); });
        EXPECT_NE(error.find(reason), std::string::npos) << error;
        EXPECT_EQ(userFiles(), Names {}) << reason;
    }
    EXPECT_FALSE(fs::exists(dir.file("data/corvanta/Seaevil.gif")));
    writeBytes(dir.file("t.zip"), "not a zip");
    EXPECT_EQ(errorOf([&] { AddTemplateFromArchive(dir.file("t.zip"), home(), dialogs); }),
        "The archive " + dir.file("t.zip")
            + " cannot be added as a template: it is no zip archive.\n"
              "A template archive holds one template file NAME.t and the template's pictures, "
              "whose names begin with NAME (such as NAME.jpg and NAMEhome.gif), all at the top "
              "of the archive or all in one folder.");
    EXPECT_EQ(dialogs.asked().size(), 0u);
}

TEST_F(UserTemplates, ArchiveInstalled_InItsFolderOrAtTheTop_AskingBeforeReplacing)
{
    writeBytes(installed() + "/Sea.t", "installed");
    writeZip(dir.file("one.zip"),
        { { "Sea/", "", Kind::Folder }, { "Sea/Sea.t", "first" }, { "Sea/Seahome.gif", "GIF" } });
    writeZip(dir.file("two.zip"), { { "Sea.t", "second" } });

    // The installed template of that name counts as one to replace.
    dialogs.answerConfirm(true);
    EXPECT_EQ(AddTemplateFromArchive(dir.file("one.zip"), home(), dialogs), "Sea");
    EXPECT_EQ(readBytes(user() + "/Sea/Sea.t"), "first");
    EXPECT_EQ(readBytes(user() + "/Sea/Seahome.gif"), "GIF");
    EXPECT_EQ(TemplateDirectory(home(), "Sea"), user() + "/Sea");

    dialogs.answerConfirm(false);
    EXPECT_EQ(AddTemplateFromArchive(dir.file("two.zip"), home(), dialogs), std::nullopt);
    EXPECT_EQ(readBytes(user() + "/Sea/Sea.t"), "first");
    dialogs.answerConfirm(true);
    EXPECT_EQ(AddTemplateFromArchive(dir.file("two.zip"), home(), dialogs), "Sea");
    EXPECT_EQ(readBytes(user() + "/Sea/Sea.t"), "second");
    EXPECT_FALSE(fs::exists(user() + "/Sea/Seahome.gif")) << "the old template went as a whole";
    EXPECT_EQ(userFiles(), Names { "Sea" }); // no staging folder left behind

    ASSERT_EQ(dialogs.asked().size(), 3u);
    EXPECT_EQ(dialogs.asked()[0].message.text,
        "A template named \"Sea\" is already installed.\n"
        "Replace it with the one from the archive?");
    EXPECT_EQ(dialogs.asked()[0].message.buttons, Platform::MessageButtons::OkCancel);
}

TEST_F(UserTemplates, AnotherTemplatesFiles_NeverWritten)
{
    // "Pa" from before templates had folders of their own, and "Pb" added now: "P" ships
    // pictures with their names.
    writeBytes(user() + "/Pa.t", "Pa");
    writeBytes(user() + "/Pahome.gif", "Pa's");
    writeZip(dir.file("Pb.zip"), { { "Pb.t", "Pb" }, { "Pbhome.gif", "Pb's" } });
    ASSERT_EQ(AddTemplateFromArchive(dir.file("Pb.zip"), home(), dialogs), "Pb");
    writeZip(
        dir.file("P.zip"), { { "P.t", "P" }, { "Pahome.gif", "P's" }, { "Pbhome.gif", "P's" } });
    ASSERT_EQ(AddTemplateFromArchive(dir.file("P.zip"), home(), dialogs), "P");

    EXPECT_EQ(ListTemplates(home()), (Names { "P", "Pa", "Pb" }));
    EXPECT_EQ(readBytes(TemplateDirectory(home(), "Pa") + "/Pahome.gif"), "Pa's");
    EXPECT_EQ(readBytes(TemplateDirectory(home(), "Pb") + "/Pbhome.gif"), "Pb's");
    EXPECT_EQ(readBytes(TemplateDirectory(home(), "P") + "/Pahome.gif"), "P's");

    // A file where the template's folder would go may be another template's ("Pa"'s picture
    // named "Pab"): refused, and it stays.
    writeBytes(user() + "/Pab", "Pa's");
    writeZip(dir.file("Pab.zip"), { { "Pab.t", "Pab" } });
    EXPECT_NE(errorOf([&] {
        AddTemplateFromArchive(dir.file("Pab.zip"), home(), dialogs);
    }).find("already holds \"Pab\", which is not that template's folder"),
        std::string::npos);
    EXPECT_EQ(readBytes(user() + "/Pab"), "Pa's");
    EXPECT_EQ(dialogs.asked().size(), 0u);
}

TEST_F(UserTemplates, LargeArchive_ProgressAndTheEntryCap)
{
    std::vector<ZipEntry> entries { { "Big.t", "" } };
    for (int i = 0; i < 400; ++i) {
        std::string bytes;
        for (int j = 0; j < 1000; ++j)
            bytes += static_cast<char>((i * 7919 + j * j * 31) % 251);
        entries.push_back({ "Big" + std::to_string(i) + ".gif", bytes });
    }
    writeZip(dir.file("big.zip"), entries);

    std::vector<int> reports;
    const Catalogue::UnpackProgress follow { [&](int percent) { reports.push_back(percent); } };
    auto staged = Catalogue::StagedTemplate::unpack(dir.file("big.zip"), user(), follow);
    ASSERT_NE(staged, nullptr);
    staged->install();
    staged.reset();
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_GT(reports.size(), 10u);
    EXPECT_EQ(reports.back(), 100);
    EXPECT_EQ(
        std::distance(fs::directory_iterator(user() + "/Big"), fs::directory_iterator()), 401);

    // Folders count as entries too.
    entries.resize(1);
    entries.insert(entries.end(), Catalogue::MaximumArchiveEntries, { "Big/", "", Kind::Folder });
    writeZip(dir.file("toobig.zip"), entries);
    EXPECT_NE(errorOf([&] {
        AddTemplateFromArchive(dir.file("toobig.zip"), home(), dialogs);
    }).find("it holds more than 10,000 entries"),
        std::string::npos);
    EXPECT_EQ(userFiles(), Names { "Big" });
}

TEST_F(UserTemplates, AnotherRunAdding_ThisOneRefusedUntilItEnds)
{
    writeZip(dir.file("Sea.zip"), { { "Sea.t", "" } });
    const int other = ::open(user().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    EXPECT_EQ(errorOf([&] { AddTemplateFromArchive(dir.file("Sea.zip"), home(), dialogs); }),
        "Another template is being added to " + user() + ". Please try again when that is done");
    EXPECT_EQ(userFiles(), Names {});
    ::close(other);
    EXPECT_EQ(AddTemplateFromArchive(dir.file("Sea.zip"), home(), dialogs), "Sea");
}
