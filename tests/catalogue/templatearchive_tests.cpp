#include "catalogue/templatearchive.h"
#include "catalogue/templatecatalogue.h"
#include "platform/fileerror.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/tempdir.h"
#include "tests/support/ziparchive.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

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
    EXPECT_NE(errorOf([&] {
        AddTemplateFromArchive(dir.file("t.zip"), home(), dialogs);
    }).find("it is no zip archive"),
        std::string::npos);
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
    EXPECT_EQ(readBytes(user() + "/Sea.t"), "first");
    EXPECT_EQ(readBytes(user() + "/Seahome.gif"), "GIF");
    EXPECT_EQ(TemplateDirectory(home(), "Sea"), user());

    dialogs.answerConfirm(false);
    EXPECT_EQ(AddTemplateFromArchive(dir.file("two.zip"), home(), dialogs), std::nullopt);
    EXPECT_EQ(readBytes(user() + "/Sea.t"), "first");
    dialogs.answerConfirm(true);
    EXPECT_EQ(AddTemplateFromArchive(dir.file("two.zip"), home(), dialogs), "Sea");
    EXPECT_EQ(readBytes(user() + "/Sea.t"), "second");
    EXPECT_EQ(userFiles().size(), 2u); // no staging folder left behind

    ASSERT_EQ(dialogs.asked().size(), 3u);
    EXPECT_EQ(dialogs.asked()[0].message.text,
        "A template named \"Sea\" is already installed.\n"
        "Replace it with the one from the archive?");
    EXPECT_EQ(dialogs.asked()[0].message.buttons, Platform::MessageButtons::OkCancel);
}
