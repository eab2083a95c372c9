#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/files.h"
#include "project/projectfiles.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Model;
using Testing::readBytes;
using Testing::TempDir;
using Testing::writeBytes;

namespace {

const ChoiceLists Lists2 { { "blue", "green" },
    FontFamilyList({ "Liberation Sans", "Noto Serif" }) };

using Testing::errorOf;
/// The organiser as the program holds it: the project and the Edit Pages list beside it.
struct Organiser
{
    explicit Organiser(const ChoiceLists &lists = Lists2)
        : project(DefaultProject(lists))
    { }
    Project project;
    PageSelection selection { project };
};

/// A project with no field at its default value.
Project unusualProject()
{
    Project p = DefaultProject(Lists2);
    p.siteType = SiteType::Business;
    p.templateName = 1;
    p.siteTitle = std::string(255, 'T');
    p.siteDescription = "Caf\xE9 \x80 \"quoted\"";
    p.siteKeywords = "a,b";
    p.copyrightYears = "2001-2024";
    p.logoPath = "/home/a/logo \xE9.jpg";
    p.slogan = std::string("\0zero", 5);
    p.fontFamily = 7;
    p.fontColor = colorChoice(1, 2, 3);
    p.fontSize = 108;
    p.fontVariant = 1;
    p.linkColor = colorChoice(10, 20, 30);
    p.linkDecoration = 1;
    p.hoverColor = colorChoice(40, 50, 60);
    p.hoverDecoration = 2;
    p.activeColor = colorChoice(70, 80, 90);
    p.activeDecoration = 3;
    p.visitedColor = colorChoice(100, 110, 120);
    p.visitedDecoration = std::nullopt;
    p.listStyleType = 8;
    p.imageBorderStyle = 7;
    p.imageBorderWidth = 25;
    p.imageBorderColor = colorChoice(255, 254, 253);
    p.addTextNavigation = p.addCopyrightFooter = p.generateSitemap = true;
    p.addMadeWithLink = false;
    p.personalPages = { false, true, false, true, false, true, false, true, true };
    p.businessPages = { false, true, true, false, false, false, false, false, false, true, false,
        false, true, true };
    for (PageId page = 1; page <= PageCount; ++page)
        p.pageBody[static_cast<std::size_t>(page - 1)]
            = "<p>page " + std::to_string(page) + "</p>\r\n";
    p.pageBody[13] = "";
    return p;
}

void saveFiles(
    const std::string &projectFile, const std::string &record, const std::string &bodyPrefix)
{
    writeBytes(projectFile, record);
    for (PageId page = 1; page <= PageCount; ++page)
        writeBytes(Platform::siblingPath(projectFile, pageInfo(page).contentFile),
            bodyPrefix + std::to_string(page));
}

std::vector<std::string> namesIn(const std::string &directory)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(ProjectRecord, DefaultProject_ByteByByte)
{
    std::string expected(ProjectRecordSize, '\0');
    const auto put = [&](std::size_t offset, std::string_view bytes) {
        expected.replace(offset, bytes.size(), bytes);
    };
    put(1552, "\x14"); // font size 20, "12"
    put(1617, "\x01"); // list style "disc"
    put(1619, "\x01"); // border size "1"
    put(1634, "\x01"); // made-in line
    put(1636, "\x01"); // personal Home
    put(1645, "\x01"); // business Home
    put(1539, "\x07#000000"); // font colour, swatch black
    put(1554, "\x07#0000FF"), put(1564, std::string("\0\0\xFF\0", 4));
    put(1569, "\x07#0000FF"), put(1580, std::string("\0\0\xFF\0", 4));
    put(1585, "\x07#FF0000"), put(1596, std::string("\xFF\0\0\0", 4));
    put(1601, "\x07#800080"), put(1612, std::string("\x80\0\x80\0", 4));
    put(1620, "\x07#000000"); // image border colour, swatch black
    const std::string record = encodeProjectRecord(DefaultProject(Lists2));
    ASSERT_EQ(record.size(), 1664u);
    for (std::size_t i = 0; i < record.size(); ++i)
        EXPECT_EQ(int(static_cast<unsigned char>(record[i])),
            int(static_cast<unsigned char>(expected[i])))
            << "byte " << i;

    EXPECT_EQ(encodeProjectRecord(DefaultProject({ {}, Lists2.fonts }))[1], '\xFF'); // no template
}

TEST(ProjectRecord, TextsAndColoursAreCutToTheirRoom)
{
    Project project = DefaultProject(Lists2);
    project.siteTitle = std::string(255, 'a');
    project.slogan = std::string(300, 'b');
    project.fontColor.text = "#1234567890";
    const std::string record = encodeProjectRecord(project);
    EXPECT_EQ(record[2], '\xFF');
    EXPECT_EQ(record.substr(3, 255), std::string(255, 'a'));
    EXPECT_EQ(record[1282], '\xFF');
    EXPECT_EQ(record.substr(1283, 255), std::string(255, 'b'));
    EXPECT_EQ(record.substr(1539, 8), "\x07#123456");
    EXPECT_EQ(record[1547], '\0');
}

TEST(ProjectRecord, PositionsFrom255On_AreWrittenAsNone)
{
    std::vector<std::string> manyFonts;
    manyFonts.reserve(300);
    for (int i = 0; i < 300; ++i)
        manyFonts.push_back("Font " + std::to_string(1000 + i));
    const ChoiceLists lists { { "blue" }, FontFamilyList(manyFonts) };
    Project project = DefaultProject(lists);
    for (std::size_t position : { 254u, 255u, 256u, 300u }) {
        project.fontFamily = position;
        const auto byte = static_cast<unsigned char>(encodeProjectRecord(project)[1538]);
        EXPECT_EQ(byte, position < 255 ? position : 255u);
    }
    // And 255 reads as none, even where the list has a position 255.
    Organiser o(lists);
    std::string record = encodeProjectRecord(project);
    applyProjectRecord(record, o.selection, lists);
    EXPECT_FALSE(o.project.fontFamily.has_value());
}

TEST(ProjectRecord, ReadRules_FlagsSiteTypeChoicesAndDamagedColourLengths)
{
    std::string record = encodeProjectRecord(DefaultProject(Lists2));
    record[0] = 2; // site type: anything but 0 is Business
    record[1] = 2; // template: beyond a catalogue of two
    record[1553] = 2; // font variant: beyond its list of two
    record[1632] = 2; // a flag: only 1 is on
    record[1634] = '\xFF';
    record[1637] = 1; // personal Contact
    record[1539] = '\xC8'; // colour text length 200 in an 8-byte field
    Organiser o;
    applyProjectRecord(record, o.selection, Lists2);
    EXPECT_EQ(o.project.siteType, SiteType::Business);
    EXPECT_FALSE(o.project.templateName.has_value());
    EXPECT_FALSE(o.project.fontVariant.has_value());
    EXPECT_FALSE(o.project.addTextNavigation);
    EXPECT_FALSE(o.project.addMadeWithLink);
    EXPECT_EQ(o.project.fontColor.text, "#000000");
    EXPECT_EQ(o.selection.editPagesList(), (std::vector<std::string> { "Home", "Contact" }));
}

TEST(ProjectFiles, DefaultProject_Gives1664BytesAndFourteenEmptyPages)
{
    TempDir dir;
    WriteProjectFiles(DefaultProject(Lists2), dir.file("site.cvp"));
    EXPECT_EQ(readBytes(dir.file("site.cvp")), encodeProjectRecord(DefaultProject(Lists2)));
    EXPECT_EQ(namesIn(dir.path()).size(), 16u); // no temporary file stays behind
    for (PageId page = 1; page <= PageCount; ++page)
        EXPECT_EQ(std::filesystem::file_size(dir.file(pageInfo(page).contentFile)), 0u);
}

TEST(ProjectFiles, SaveAndOpen_GiveTheSameProject)
{
    TempDir dir;
    const Project saved = unusualProject();
    WriteProjectFiles(saved, dir.file("site.cvp"));
    EXPECT_EQ(readBytes(dir.file("2.dat")), "<p>page 2</p>\r\n");
    Organiser o;
    ReadProjectFiles(dir.file("site.cvp"), o.selection, Lists2);
    EXPECT_EQ(o.project, saved);
    EXPECT_TRUE(o.selection.isChangeable(Column::Business, 3));
}

TEST(ProjectFiles, PathsWithBlanksQuotesAndWindows1252Letters)
{
    TempDir dir;
    const std::string folder = dir.file("My \"Site\" Caf\xE9 \x80");
    ASSERT_EQ(Platform::makeDirectory(folder), 0);
    const std::string projectFile = folder + "/\xC9t\xE9 'x'.cvp";
    WriteProjectFiles(unusualProject(), projectFile);
    EXPECT_TRUE(
        std::filesystem::exists(dir.file("My \"Site\" Caf\u00E9 \u20AC/\u00C9t\u00E9 'x'.cvp")));
    Organiser o;
    ReadProjectFiles(projectFile, o.selection, Lists2);
    EXPECT_EQ(o.project, unusualProject());
    std::filesystem::remove(Platform::nativePath(folder + "/9.dat"));
    EXPECT_EQ(errorOf([&] { ReadProjectFiles(projectFile, o.selection, Lists2); }),
        "Cannot open file " + folder + "/9.dat");
}

TEST(ProjectFiles, ReadOnlyProjectOpens)
{
    TempDir dir;
    WriteProjectFiles(unusualProject(), dir.file("site.cvp"));
    for (const std::string &name : namesIn(dir.path()))
        ::chmod(dir.file(name).c_str(), 0444);
    Organiser o;
    ReadProjectFiles(dir.file("site.cvp"), o.selection, Lists2);
    EXPECT_EQ(o.project, unusualProject());
}

TEST(ProjectFiles, ShortProjectFile_RefusedAndNothingChanges_LongerOneOpens)
{
    TempDir dir;
    const std::string record = encodeProjectRecord(unusualProject());
    saveFiles(dir.file("short.cvp"), record.substr(0, 1663), "body ");
    Organiser o;
    o.selection.SetPageTick(Column::Personal, 3, true);
    const Project projectBefore = o.project;
    const std::vector<std::string> listBefore = o.selection.editPagesList();
    EXPECT_EQ(errorOf([&] { ReadProjectFiles(dir.file("short.cvp"), o.selection, Lists2); }),
        "Read beyond end of file");
    EXPECT_EQ(o.project, projectBefore);
    EXPECT_EQ(o.selection.editPagesList(), listBefore);

    saveFiles(dir.file("long.cvp"), record + std::string(36, '\x01'), "body ");
    ReadProjectFiles(dir.file("long.cvp"), o.selection, Lists2);
    EXPECT_EQ(o.project.siteTitle, unusualProject().siteTitle);
    EXPECT_EQ(o.project.pageBody[13], "body 14");
}

TEST(ProjectFiles, OpenFailures_WordedAsTheErrorBoxShowsThem)
{
    TempDir dir;
    Organiser o;
    EXPECT_EQ(errorOf([&] { ReadProjectFiles(dir.file("missing.cvp"), o.selection, Lists2); }),
        "File not found");
    EXPECT_EQ(
        errorOf([&] { ReadProjectFiles(dir.path(), o.selection, Lists2); }), "File access denied");
    saveFiles(dir.file("site.cvp"), encodeProjectRecord(unusualProject()), "new ");
    std::filesystem::remove(dir.file("3.dat"));
    std::filesystem::create_directory(dir.file("3.dat"));
    EXPECT_EQ(errorOf([&] { ReadProjectFiles(dir.file("site.cvp"), o.selection, Lists2); }),
        "Cannot open file " + dir.file("3.dat"));
}

TEST(ProjectFiles, MissingPage7_SettingsAndPages1To6Applied_7To14KeepTheirText)
{
    TempDir dir;
    saveFiles(dir.file("site.cvp"), encodeProjectRecord(unusualProject()), "new ");
    std::filesystem::remove(dir.file("7.dat"));
    Organiser o;
    for (std::string &body : o.project.pageBody)
        body = "old";
    EXPECT_EQ(errorOf([&] { ReadProjectFiles(dir.file("site.cvp"), o.selection, Lists2); }),
        "Cannot open file " + dir.file("7.dat"));
    EXPECT_EQ(o.project.siteTitle, unusualProject().siteTitle);
    EXPECT_EQ(o.project.businessPages, unusualProject().businessPages);
    EXPECT_EQ(o.project.pageBody[5], "new 6");
    for (std::size_t i = 6; i < 14; ++i)
        EXPECT_EQ(o.project.pageBody[i], "old");
}

TEST(ProjectFiles, SaveFailures_LeaveTheOldFilesWhole)
{
    TempDir dir;
    saveFiles(dir.file("site.cvp"), "old project", "old ");

    ::chmod(dir.file("site.cvp").c_str(), 0444); // read-only project file
    EXPECT_EQ(errorOf([&] { WriteProjectFiles(unusualProject(), dir.file("site.cvp")); }),
        "File access denied");
    EXPECT_EQ(readBytes(dir.file("site.cvp")), "old project");
    EXPECT_EQ(readBytes(dir.file("1.dat")), "old 1");
    ::chmod(dir.file("site.cvp").c_str(), 0644);

    ::chmod(dir.file("7.dat").c_str(), 0444); // read-only page content file
    EXPECT_EQ(errorOf([&] { WriteProjectFiles(unusualProject(), dir.file("site.cvp")); }),
        "Cannot create file " + dir.file("7.dat"));
    EXPECT_EQ(readBytes(dir.file("site.cvp")), "old project");
    EXPECT_EQ(readBytes(dir.file("6.dat")), "old 6");
    EXPECT_EQ(readBytes(dir.file("7.dat")), "old 7");
    EXPECT_EQ(readBytes(dir.file("8.dat")), "old 8");
    EXPECT_EQ(namesIn(dir.path()).size(), 15u);

    EXPECT_EQ(errorOf([&] { WriteProjectFiles(unusualProject(), dir.file("none/site.cvp")); }),
        "File not found");
}

TEST(ProjectFiles, WriteCutShort_StreamWriteErrorAndTheOldFileStays)
{
    TempDir dir;
    saveFiles(dir.file("site.cvp"), "old project", "old ");
    Project project = unusualProject();
    project.pageBody[4] = std::string(std::size_t { 64 } * 1024, 'x');

    // A file size limit cuts the writes short as a full disk would, also for root.
    rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = rlim_t { 16 } * 1024;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const std::string bodyError
        = errorOf([&] { WriteProjectFiles(project, dir.file("site.cvp")); });
    project.logoPath = std::string(255, 'l');
    small.rlim_cur = 1000;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const std::string recordError
        = errorOf([&] { WriteProjectFiles(project, dir.file("site.cvp")); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(bodyError, "Stream write error");
    EXPECT_EQ(readBytes(dir.file("4.dat")), "old 4");
    EXPECT_EQ(readBytes(dir.file("5.dat")), "old 5");
    EXPECT_EQ(recordError, "I/O error " + std::to_string(EFBIG));
    EXPECT_EQ(readBytes(dir.file("site.cvp")), "old project");
    EXPECT_EQ(namesIn(dir.path()).size(), 15u);
}

TEST(ProjectFiles, RandomAndTruncatedRecords_OpenOrRefuseWithoutHarm)
{
    TempDir dir;
    saveFiles(dir.file("p.cvp"), "", "body ");
    std::mt19937 random(7);
    const std::string valid = encodeProjectRecord(unusualProject());
    Organiser o;
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        if (round % 2) {
            bytes = valid.substr(0, random() % valid.size()); // truncated
        } else {
            bytes.resize(ProjectRecordSize + random() % 64 - 32);
            for (char &c : bytes)
                c = static_cast<char>(random());
        }
        writeBytes(dir.file("p.cvp"), bytes);
        const std::string error
            = errorOf([&] { ReadProjectFiles(dir.file("p.cvp"), o.selection, Lists2); });
        if (bytes.size() < ProjectRecordSize) {
            ASSERT_EQ(error, "Read beyond end of file");
            continue;
        }
        ASSERT_EQ(error, "(no error)");
        ASSERT_LE(o.project.fontColor.text.size(), 7u);
        ASSERT_LT(o.project.fontFamily.value_or(0), Lists2.fonts.size());
        ASSERT_LE(o.project.visitedColor.swatch, 0xFFFFFFu);
        // What was read is written back the same way it reads.
        Organiser again;
        applyProjectRecord(encodeProjectRecord(o.project), again.selection, Lists2);
        again.project.pageBody = o.project.pageBody;
        ASSERT_EQ(again.project, o.project);
    }
}

TEST(ProjectSettings, ValuesOfAnyTextSurviveTheirLine_NewKeysJoinTheirSection)
{
    ProjectSettings settings = ProjectSettings::parse(
        "\xEF\xBB\xBF[choices]\ntemplate=Old # not a comment\n; a comment\n[site]\naddress = "
        "https://a.example/ \n");
    EXPECT_EQ(settings.value("choices", "template"), "Old # not a comment");
    EXPECT_EQ(settings.value("site", "address"), "https://a.example/");
    EXPECT_EQ(settings.value("site", "template"), std::nullopt);

    const std::string awkward = " back\\slash\nline\ttab\x01 =[x] ";
    settings.setValue("choices", "fontFamily", awkward);
    settings.setValue("site", "address", "https://a.example/"); // unchanged: the line stays
    settings.setValue("pictures", "quality", "80");
    EXPECT_EQ(settings.text(),
        "[choices]\ntemplate=Old # not a comment\n"
        "fontFamily=\\x20back\\\\slash\\nline\\ttab\\x01 =[x]\\x20\n; a comment\n"
        "[site]\naddress = https://a.example/ \n[pictures]\nquality=80\n");
    EXPECT_EQ(ProjectSettings::parse(settings.text()).text(), settings.text());
    EXPECT_EQ(ProjectSettings::parse(settings.text()).value("choices", "fontFamily"), awkward);
}
