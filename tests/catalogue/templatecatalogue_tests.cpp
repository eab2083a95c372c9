#include "catalogue/templatecatalogue.h"
#include "platform/encoding.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using Catalogue::ListTemplates;
using Catalogue::TemplatePreviewPath;
using Names = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

/// A home directory with a templates folder holding empty files of the given names
/// (Windows-1252, stored under their UTF-8 names as the program would).
struct Home
{
    explicit Home(std::initializer_list<const char *> files)
    {
        fs::create_directory(templates());
        for (const char *name : files)
            Testing::writeBytes(Platform::nativePath(templates() + "/" + name), "");
    }
    std::string templates() const { return dir.file("templates"); }
    Testing::TempDir dir;
};

} // namespace

TEST(ListTemplates, TakesTheDotTFiles_WithoutTheExtension)
{
    Home home { "a.t", "a.jpg", "b.t", "b.jpg", "notes.txt", "my.site.t", "upper.T", "t", "x.tt" };
    EXPECT_EQ(ListTemplates(home.dir.path()), (Names { "a", "b", "my.site" }));
}

TEST(ListTemplates, OrderIgnoresLetterCase_NamesDifferingOnlyInCaseByTheirBytes)
{
    Home home { "b.t", "a.t", "C.t", "B.t", "\xC9t\xE9.t", "\xE9t\xE9.t", "z.t", "_x.t" };
    EXPECT_EQ(ListTemplates(home.dir.path()),
        (Names { "_x", "a", "B", "b", "C", "z", "\xC9t\xE9", "\xE9t\xE9" }));
}

TEST(ListTemplates, HiddenEntriesDirectoriesAndLinksCount_SocketsAndPipesDoNot)
{
    Home home { ".hidden.t" };
    fs::create_directory(home.templates() + "/folder.t");
    fs::create_symlink("nowhere", home.templates() + "/dangling.t");
    ::mkfifo((home.templates() + "/pipe.t").c_str(), 0644);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const std::string socketPath = home.templates() + "/socket.t";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ::chmod((home.templates() + "/.hidden.t").c_str(), 0444);

    EXPECT_EQ(ListTemplates(home.dir.path()), (Names { ".hidden", "dangling", "folder" }));
    ::close(listener);
}

TEST(ListTemplates, NoTemplatesFolder_EmptyCatalogue)
{
    Testing::TempDir home;
    EXPECT_TRUE(ListTemplates(home.path()).empty());
    EXPECT_TRUE(ListTemplates(home.path() + "/missing").empty());
}

TEST(ListTemplates, TemplateWithoutPreviewIsListed)
{
    Home home { "x.t" };
    EXPECT_EQ(ListTemplates(home.dir.path()), (Names { "x" }));
    EXPECT_FALSE(fs::exists(TemplatePreviewPath(home.dir.path(), "x")));
}

TEST(TemplatePreviewPath, HomeTemplatesNameJpg_JoinedAsTheyStand)
{
    EXPECT_EQ(TemplatePreviewPath("/home/ann", "blue"), "/home/ann/templates/blue.jpg");
    EXPECT_EQ(TemplatePreviewPath("/", "blue"), "//templates/blue.jpg");
    EXPECT_EQ(TemplatePreviewPath("/srv", ""), "/srv/templates/.jpg");
}
