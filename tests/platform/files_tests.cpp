#include "platform/directory.h"
#include "platform/fileerror.h"
#include "platform/filemapping.h"
#include "platform/files.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Platform;
using Testing::TempDir;

using Testing::errorOf;

TEST(Files, OpeningFailures_AreWordedByErrnoOrByName)
{
    TempDir dir;
    const std::string missing = dir.file("missing.dat");
    EXPECT_EQ(errorOf([&] { File(missing, File::Mode::Read); }), "File not found");
    EXPECT_EQ(errorOf([&] { File(missing, File::Mode::Read, OpenFailure::NamedText); }),
        "Cannot open file " + missing);
    EXPECT_EQ(errorOf([&] { File(missing, File::Mode::Append); }), "File not found");
    EXPECT_EQ(errorOf([&] { File(dir.path(), File::Mode::Read); }), "File access denied");
    EXPECT_EQ(errorOf([&] { File(dir.path(), File::Mode::Read, OpenFailure::NamedText); }),
        "Cannot open file " + dir.path());
    EXPECT_EQ(errorOf([&] {
        File(dir.file("no/such"), File::Mode::CreateTruncate, OpenFailure::NamedText);
    }),
        "Cannot create file " + dir.file("no/such"));
}

TEST(Files, PathsWithBlanksQuotesAndCp1252Letters_Work)
{
    TempDir dir;
    const std::string name = dir.file("caf\xE9 \"quoted\" \x80.txt");
    replaceFile(name, "content");
    EXPECT_EQ(readWholeFile(name), "content");
    EXPECT_EQ(Testing::readBytes(dir.file("caf\u00E9 \"quoted\" \u20AC.txt")), "content");
    bool listed = false;
    for (const DirectoryEntry &entry : listDirectory(dir.path()))
        listed = listed || entry.name == "caf\xE9 \"quoted\" \x80.txt";
    EXPECT_TRUE(listed);
}

TEST(Files, ReplaceFile_KeepsTheOldFileWhenItIsWriteProtected)
{
    TempDir dir;
    const std::string path = dir.file("project.cvp");
    Testing::writeBytes(path, "old");
    ::chmod(path.c_str(), 0444);
    EXPECT_EQ(errorOf([&] { replaceFile(path, "new"); }), "File access denied");
    EXPECT_EQ(errorOf([&] { replaceFile(path, "new", OpenFailure::NamedText); }),
        "Cannot create file " + path);
    EXPECT_EQ(Testing::readBytes(path), "old");
    EXPECT_EQ(listDirectory(dir.path()).size(), 1u) << "no temporary file is left behind";
}

TEST(Files, ReadOnlyMark_IsTheOwnersMissingWritePermission)
{
    TempDir dir;
    const std::string path = dir.file("logo.gif");
    Testing::writeBytes(path, "GIF");
    EXPECT_FALSE(isReadOnly(path));
    ::chmod(path.c_str(), 0444);
    EXPECT_TRUE(isReadOnly(path));
    clearReadOnly(path);
    EXPECT_FALSE(isReadOnly(path));
}

TEST(Files, SiblingAndFileNames)
{
    EXPECT_EQ(siblingPath("/home/a/site.cvp", "7.dat"), "/home/a/7.dat");
    EXPECT_EQ(siblingPath("site.cvp", "7.dat"), "7.dat");
    EXPECT_EQ(siblingPath("/site.cvp", "7.dat"), "/7.dat");
    EXPECT_EQ(fileNameOf("/home/a/logo.gif"), "logo.gif");
    EXPECT_EQ(fileNameOf("logo.gif"), "logo.gif");
}

TEST(Files, FoldPath_DropsEmptyAndDotPartsAndFoldsEachDotDotWithThePartBefore)
{
    using Parts = std::vector<std::string>;
    EXPECT_EQ(foldPath("a/./b/../c").parts, (Parts { "a", "c" }));
    EXPECT_EQ(foldPath("//home//a/").parts, (Parts { "home", "a" }));
    EXPECT_FALSE(foldPath("a/../b").leadsAbove);
    // Above the start: a web address leaves its folder; a full path stays at the root.
    const FoldedPath above = foldPath("a/../../b");
    EXPECT_TRUE(above.leadsAbove);
    EXPECT_EQ(above.parts, Parts { "b" });
    EXPECT_TRUE(foldPath("/..").leadsAbove);
    EXPECT_TRUE(foldPath("/..").parts.empty());
}

TEST(Directory, OpenBeneath_FollowsOnlyTheLinksThatStayBelowIt)
{
    TempDir base;
    const std::string root = base.file("root");
    std::filesystem::create_directories(root + "/a/b");
    Testing::writeBytes(root + "/a/b/file", "inside");
    Testing::writeBytes(base.file("secret"), "outside");
    const auto link = [&](const std::string &target, const std::string &name) {
        std::filesystem::create_symlink(target, root + "/" + name);
    };
    link("a/b/file", "relative");
    link("../a/b/../b/file", "a/up-and-down");
    link(root + "/a/b/file", "absolute-inside");
    link("a", "to-directory");
    link("../secret", "up");
    link(base.file("secret"), "absolute-outside");
    link(base.path(), "a/b/base");
    link("loop", "loop");

    const Directory directory(root);
    const auto read = [&](const std::string &name) {
        File file = directory.openBeneath(name);
        std::string bytes(64, '\0');
        bytes.resize(file.read(bytes.data(), bytes.size()));
        return bytes;
    };
    const auto refusal = [&](const std::string &name) -> std::string {
        try {
            read(name);
        } catch (const ConfinementError &error) {
            return error.reason() == ConfinementError::Reason::LeadsOutside ? "leads outside"
                                                                            : "not a file";
        }
        return "read";
    };
    for (const char *name :
        { "relative", "a/up-and-down", "absolute-inside", "to-directory/b/file", "./a//b/file" })
        EXPECT_EQ(read(name), "inside") << name;
    for (const char *name : { "up", "absolute-outside", "a/b/base/secret", "../root/a/b/file",
             "a/../../secret", "/etc/hostname" }) {
        EXPECT_EQ(refusal(name), "leads outside") << name;
    }
    EXPECT_EQ(errorOf([&] { read("to-directory"); }), "\"to-directory\" is not a file");
    EXPECT_EQ(errorOf([&] { read("a/missing"); }), "File not found");
    EXPECT_EQ(errorOf([&] { read("loop"); }), "I/O error " + std::to_string(ELOOP));
}

TEST(Directory, CreateFile_NeverFollowsALinkAndRewritesOnlyPlainFiles)
{
    TempDir base;
    Testing::writeBytes(base.file("victim"), "mine");
    std::filesystem::create_directory(base.file("site"));
    std::filesystem::create_symlink(base.file("victim"), base.file("site/page.html"));
    std::filesystem::create_directory(base.file("site/folder"));
    const Directory site(base.file("site"));

    EXPECT_EQ(errorOf([&] { site.createFile("page.html"); }),
        "Cannot write \"page.html\": a link is in its place, and links are not followed here");
    EXPECT_EQ(errorOf([&] { site.openForAppend("page.html"); }),
        "Cannot write \"page.html\": a link is in its place, and links are not followed here");
    EXPECT_EQ(errorOf([&] { site.createFile("folder"); }), "\"folder\" is not a file");
    EXPECT_EQ(Testing::readBytes(base.file("victim")), "mine");

    site.createFile("new.html").write("first, longer");
    site.createFile("new.html").write("second");
    EXPECT_EQ(Testing::readBytes(base.file("site/new.html")), "second");

    // What a directory holds goes with it, links removed and never followed.
    std::filesystem::create_symlink(base.path(), base.file("site/folder/up"));
    Testing::writeBytes(base.file("site/folder/file"), "x");
    EXPECT_TRUE(Directory(base.path()).removeTree("site"));
    EXPECT_FALSE(std::filesystem::exists(base.file("site")));
    EXPECT_EQ(Testing::readBytes(base.file("victim")), "mine");
}

TEST(Files, WriteContentsAt_FillsTheRoomLeftForIt_FromThisOrAnotherFileSystem)
{
    TempDir dir;
    const std::string body = std::string(100000, 'b') + "end";
    // Between two file systems the system copies nothing itself; the bytes go through memory.
    const std::string elsewhere = "/dev/shm/corvanta-files-tests-" + std::to_string(::getpid());
    for (const std::string &sourcePath : { dir.file("body.dat"), elsewhere }) {
        if (sourcePath == elsewhere && !std::filesystem::is_directory("/dev/shm"))
            GTEST_SKIP() << "no /dev/shm to copy from";
        Testing::writeBytes(sourcePath, body);
        const File source(sourcePath, File::Mode::Read);
        File page(dir.file("page.html"), File::Mode::CreateTruncate);
        page.write("head");
        const std::uint64_t room = page.position();
        page.moveTo(room + body.size());
        page.write("tail");
        page.duplicate().writeContentsAt(source, body.size(), room);
        page.close();
        EXPECT_EQ(Testing::readBytes(dir.file("page.html")), "head" + body + "tail") << sourcePath;

        // A source cut short by someone else leaves room unfilled, which is an error.
        File again(dir.file("page.html"), File::Mode::CreateTruncate);
        EXPECT_EQ(errorOf([&] { again.writeContentsAt(source, body.size() + 1, 0); }),
            "The file " + sourcePath + " was cut short while it was copied.");
        std::filesystem::remove(sourcePath);
    }
}

namespace {

// How a bus error that no view owns ends the program: by the signal, or, under
// AddressSanitizer, whose handler the views' handler hands it on to, by its report and status 1.
#if defined(__SANITIZE_ADDRESS__)
bool EndedByABusError(int status) { return WIFEXITED(status) && WEXITSTATUS(status) == 1; }
const char *const BusErrorReport = "AddressSanitizer: BUS";
#else
bool EndedByABusError(int status) { return WIFSIGNALED(status) && WTERMSIG(status) == SIGBUS; }
const char *const BusErrorReport = "";
#endif

} // namespace

TEST(MappedFileDeathTest, ABusErrorOutsideTheViews_StillEndsTheProgram)
{
    TempDir dir;
    const std::string path = dir.file("page.dat");
    Testing::writeBytes(path, std::string(std::size_t(3) * 4096, 'x'));
    const File file(path, File::Mode::Read);
    // A view sets the handler of bus errors; it keeps the views alive and nothing else.
    const MappedFile view(file);
    ASSERT_TRUE(view.mapped());
    EXPECT_EXIT(
        {
            const void *own = ::mmap(
                nullptr, std::size_t(3) * 4096, PROT_READ, MAP_SHARED, file.descriptor(), 0);
            ::truncate(path.c_str(), 0);
            std::printf("%c", static_cast<const volatile char *>(own)[std::size_t(2) * 4096]);
            std::exit(0);
        },
        EndedByABusError, BusErrorReport);
    EXPECT_EXIT(
        {
            ::raise(SIGBUS);
            std::exit(0);
        },
        EndedByABusError, BusErrorReport);
}
