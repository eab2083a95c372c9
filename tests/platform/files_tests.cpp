#include "platform/fileerror.h"
#include "platform/files.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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
