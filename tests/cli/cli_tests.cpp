#include "platform/files.h"
#include "project/projectfiles.h"
#include "tests/support/tempdir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Model;
using Testing::readBytes;
using Testing::TempDir;
using Testing::writeBytes;

namespace {

struct Outcome
{
    int status = -1;
    std::string out;
    std::string err;

    /// The last line on stderr, where a failure's message goes.
    std::string lastErrorLine() const
    {
        std::string text = err;
        while (!text.empty() && text.back() == '\n')
            text.pop_back();
        return text.substr(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
    }
};

/// Runs corvanta-cli (or a copy of it) with the arguments in `workingDir` and collects what
/// it printed.
Outcome runCli(const std::vector<std::string> &arguments, const std::string &workingDir,
    const std::string &program = CORVANTA_CLI)
{
    TempDir capture;
    const std::string outFile = capture.file("out"), errFile = capture.file("err");
    const pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(workingDir.c_str()) != 0)
            ::_exit(126);
        ::dup2(::open(outFile.c_str(), O_WRONLY | O_CREAT, 0644), 1);
        ::dup2(::open(errFile.c_str(), O_WRONLY | O_CREAT, 0644), 2);
        std::vector<char *> argv { const_cast<char *>(program.c_str()) };
        for (const std::string &argument : arguments)
            argv.push_back(const_cast<char *>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return { WIFEXITED(status) ? WEXITSTATUS(status) : -1, readBytes(outFile), readBytes(errFile) };
}

/// A home directory with a templates folder, and a folder for projects.
struct Workspace
{
    explicit Workspace(std::initializer_list<const char *> templates)
    {
        std::filesystem::create_directory(dir.file("templates"));
        std::filesystem::create_directory(dir.file("work"));
        for (const char *name : templates)
            writeBytes(dir.file("templates/") + name, "");
    }
    std::string home() const { return dir.path(); }
    std::string work(const std::string &name = "") const
    {
        return dir.file("work") + (name.empty() ? "" : "/" + name);
    }
    TempDir dir;
};

QJsonObject parseJson(const std::string &text)
{
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    return document.object();
}

std::string str(const QJsonValue &value) { return value.toString().toStdString(); }

} // namespace

TEST(CliNew, WritesTheDefaultProjectWithTheFirstTemplate)
{
    Workspace ws { "meadow.t", "Harbour.t" };
    const Outcome outcome = runCli({ "--home", ws.home(), "new", "my site.cvp" }, ws.work());
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    const ChoiceLists lists { { "Harbour", "meadow" }, FontFamilyList({}) };
    EXPECT_EQ(readBytes(ws.work("my site.cvp")), encodeProjectRecord(DefaultProject(lists)));
    for (const PageInfo &page : PageCatalogue)
        EXPECT_EQ(readBytes(ws.work(page.contentFile)), "");

    const QJsonObject shown = parseJson(runCli({ "show", ws.work("my site.cvp") }, ws.home()).out);
    EXPECT_EQ(str(shown["templateName"]), "Harbour");
    EXPECT_EQ(str(shown["fontSize"]), "12");
    EXPECT_EQ(str(shown["activeColor"].toObject()["text"]), "#FF0000");
}

TEST(CliShow, PrintsEveryFieldAsJson)
{
    Workspace ws { "blue.t", "green.t" };
    Project project = DefaultProject({ { "blue", "green" }, FontFamilyList({}) });
    project.siteType = SiteType::Business;
    project.templateName = 1;
    project.siteDescription = "Caf\xE9 \x80 \"quoted\" back\\slash \x01";
    project.fontFamily = 3;
    project.fontSize = 108;
    project.visitedDecoration = std::nullopt;
    project.imageBorderStyle = 7;
    project.linkColor = { "#ABCDEF", 0x0000FF };
    project.addTextNavigation = true;
    project.personalPages[8] = true;
    project.businessPages[13] = true;
    project.pageBody[13] = "<p>Jobs</p>\r\n";
    WriteProjectFiles(project, ws.work("site.cvp"));

    const Outcome outcome = runCli({ "--home", ws.home(), "show", ws.work("site.cvp") }, "/");
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    const QJsonObject json = parseJson(outcome.out);
    EXPECT_EQ(json.size(), 33);
    EXPECT_EQ(str(json["siteAddress"]), "");
    EXPECT_EQ(str(json["siteType"]), "Business");
    EXPECT_EQ(str(json["templateName"]), "green");
    EXPECT_EQ(str(json["siteDescription"]), "Caf\u00E9 \u20AC \"quoted\" back\\slash \x01");
    EXPECT_EQ(str(json["fontFamily"]), "\"times new roman\", courier, arial");
    EXPECT_EQ(str(json["fontSize"]), "100");
    EXPECT_TRUE(json["visitedDecoration"].isNull());
    EXPECT_EQ(str(json["imageBorderStyle"]), "outset");
    EXPECT_EQ(str(json["linkColor"].toObject()["text"]), "#ABCDEF");
    EXPECT_EQ(str(json["linkColor"].toObject()["swatch"]), "#FF0000");
    EXPECT_EQ(json["addTextNavigation"], true);
    EXPECT_EQ(json["addMadeWithLink"], true);
    const QJsonArray personal = json["personalPages"].toArray(),
                     business = json["businessPages"].toArray();
    ASSERT_EQ(personal.size(), 9);
    ASSERT_EQ(business.size(), 14);
    EXPECT_EQ(personal[8], true);
    EXPECT_EQ(personal[7], false);
    EXPECT_EQ(business[13], true);
    ASSERT_EQ(json["pageBody"].toArray().size(), 14);
    EXPECT_EQ(str(json["pageBody"].toArray()[13]), "<p>Jobs</p>\r\n");
}

TEST(CliImport, ShowThenImportThenShow_GivesTheSameJsonAndTheSameFiles)
{
    Workspace ws { "blue.t", "green.t" };
    Project project = DefaultProject({ { "blue", "green" }, FontFamilyList({}) });
    project.siteType = SiteType::Business;
    project.templateName = 1;
    project.siteTitle = std::string(255, 't');
    project.siteDescription = "Caf\xE9 \x80 \"quoted\" \x81\x9D back\\slash \x01";
    project.fontFamily = 3;
    project.fontSize = 108;
    project.visitedDecoration = std::nullopt;
    project.linkColor = { "#abc", 0x12AB34 };
    project.personalPages[8] = true;
    project.businessPages[13] = true;
    project.pageBody[0] = std::string("a\x01"
                                      "b\r\n\t\xFF",
        7);
    project.pageBody[13] = "<p>Jobs</p>\r\n";
    WriteProjectFiles(project, ws.work("site.cvp"));

    const Outcome shown = runCli({ "--home", ws.home(), "show", "site.cvp" }, ws.work());
    writeBytes(ws.work("site.json"), shown.out);
    const Outcome imported
        = runCli({ "--home", ws.home(), "import", "site.json", "copy/again.cvp" }, ws.work());
    std::filesystem::create_directory(ws.work("copy"));
    const Outcome importedAgain
        = runCli({ "--home", ws.home(), "import", "site.json", "copy/again.cvp" }, ws.work());

    EXPECT_EQ(imported.lastErrorLine(), "File not found.");
    ASSERT_EQ(importedAgain.status, 0) << importedAgain.err;
    EXPECT_EQ(runCli({ "--home", ws.home(), "show", "copy/again.cvp" }, ws.work()).out, shown.out);
    EXPECT_EQ(readBytes(ws.work("copy/again.cvp")), readBytes(ws.work("site.cvp")));
    for (const PageInfo &page : PageCatalogue)
        EXPECT_EQ(
            readBytes(ws.work("copy/") + page.contentFile), readBytes(ws.work(page.contentFile)));
}

TEST(CliImport, RefusesWhatTheFilesCannotHold_NamingTheFieldAndWritingNothing)
{
    Workspace ws { "blue.t" };
    const auto refusal = [&](const std::string &json) {
        writeBytes(ws.work("in.json"), json);
        const Outcome outcome = runCli({ "import", "in.json", "out.cvp" }, ws.work());
        EXPECT_EQ(outcome.status, 1) << json;
        EXPECT_FALSE(std::filesystem::exists(ws.work("out.cvp"))) << json;
        EXPECT_FALSE(std::filesystem::exists(ws.work("1.dat"))) << json;
        return outcome.lastErrorLine();
    };
    EXPECT_EQ(refusal(R"({"siteTitle": "x", "siteTittle": "y"})"),
        "Field \"siteTittle\": no such field; nothing was written.");
    EXPECT_EQ(refusal(R"({"addMadeWithLink": "yes"})"),
        "Field \"addMadeWithLink\": not true or false; nothing was written.");
    EXPECT_EQ(refusal(R"({"fontSize": "13.5"})"),
        "Field \"fontSize\": \"13.5\" is not in its list; nothing was written.");
    EXPECT_EQ(refusal(R"({"templateName": "green"})"),
        "Field \"templateName\": \"green\" is not in its list; nothing was written.");
    EXPECT_EQ(refusal("{\"slogan\": \"" + std::string(256, 's') + "\"}"),
        "Field \"slogan\": longer than 255 characters; nothing was written.");
    EXPECT_EQ(refusal(R"({"linkColor": {"text": "#12345678", "swatch": "#000000"}})"),
        "Field \"linkColor.text\": longer than 7 characters; nothing was written.");
    EXPECT_EQ(refusal(R"({"hoverColor": {"text": "", "swatch": "red"}})"),
        "Field \"hoverColor.swatch\": not a colour \"#RRGGBB\"; nothing was written.");
    EXPECT_EQ(refusal(R"({"personalPages": [true]})"),
        "Field \"personalPages\": not a list of 9; nothing was written.");
    EXPECT_EQ(refusal(R"({"slogan": "\u4e2d"})"),
        "Field \"slogan\": holds a character the project files cannot hold; nothing was "
        "written.");
    EXPECT_EQ(refusal(R"({"siteTitle": "\ud800"})"),
        "Field \"siteTitle\": holds half of a surrogate pair, which is no character; nothing "
        "was written.");
    EXPECT_EQ(
        refusal(
            R"({"pageBody": ["", "a\u0000b", "", "", "", "", "", "", "", "", "", "", "", ""]})"),
        "Field \"pageBody\": holds a NUL character; nothing was written.");
    EXPECT_EQ(refusal(R"({"fontFamily": "tahoma, arial, verdana",
                          "settings": {"choices": {"fontFamily": "geneva, verdana, arial"}}})"),
        "Field \"settings.choices.fontFamily\": \"geneva, verdana, arial\" is not the fontFamily "
        "\"tahoma, arial, verdana\"; nothing was written.");
    EXPECT_EQ(refusal(R"({"settings": {"site": {"a=b": "x"}}})"),
        "Field \"settings.site.a=b\": \"a=b\" cannot be a name in the settings file; nothing "
        "was written.");
    EXPECT_EQ(refusal(R"({"settings": {"pictures": {"longEdge": "100"}}})"),
        "Field \"settings.pictures.longEdge\": \"100\" must be a number of pixels from 480 to "
        "8000; nothing was written.");
    EXPECT_EQ(refusal(R"({"settings": {"pictures": {"webReady": "yes"}}})"),
        "Field \"settings.pictures.webReady\": \"yes\" must be \"true\" or \"false\"; nothing "
        "was written.");
    EXPECT_EQ(refusal("[1, 2]"), "in.json is not a JSON object.");
}

TEST(CliImport, SettingsFileIsImportedAndShown_ATemplateNoLongerInstalledIsNamedOnStderr)
{
    Workspace ws { "blue.t", "green.t" };
    writeBytes(ws.work("in.json"),
        R"({"templateName": "green", "settings": {"later": {"note": "https://a.example/é中"}}})");
    const Outcome imported
        = runCli({ "--home", ws.home(), "import", "in.json", "site.cvp" }, ws.work());
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(readBytes(ws.work("site.cvp.settings")),
        "[later]\nnote=https://a.example/\u00e9\u4e2d\n[choices]\ntemplate=green\n"
        "templatePosition=1\nfontFamily=arial, sans-serif, verdana\nfontFamilyPosition=0\n");

    std::filesystem::remove(ws.home() + "/templates/green.t");
    const Outcome shown = runCli({ "--home", ws.home(), "show", "site.cvp" }, ws.work());
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.err,
        "The template \"green\" chosen for this project is not installed. The project keeps it "
        "until you choose another template.\n");
    const QJsonObject json = parseJson(shown.out);
    EXPECT_TRUE(json["templateName"].isNull());
    const QJsonObject settings = json["settings"].toObject();
    EXPECT_EQ(str(settings["choices"].toObject()["template"]), "green");
    EXPECT_EQ(settings["later"].toObject()["note"].toString(),
        QString::fromUtf8("https://a.example/\u00e9\u4e2d"));
}

TEST(CliImport, SiteAddress_RefusedUnlessAWebAddress_KeptWithItsSlashAndShownAsAField)
{
    Workspace ws { "blue.t" };
    const auto refusal = [&](const std::string &json) {
        writeBytes(ws.work("in.json"), json);
        const Outcome outcome = runCli({ "import", "in.json", "out.cvp" }, ws.work());
        EXPECT_EQ(outcome.status, 1) << json;
        EXPECT_FALSE(std::filesystem::exists(ws.work("out.cvp"))) << json;
        return outcome.lastErrorLine();
    };
    EXPECT_EQ(refusal(R"({"siteAddress": "lindenstreetbakery.example"})"),
        "Field \"siteAddress\": \"lindenstreetbakery.example\" is not a website address. Type "
        "the whole address as it starts in a web browser, e.g. https://www.example.com/ "
        "(http:// or https://, the host name, and the folder of the site if it has one; no ? or "
        "#); nothing was written.");
    EXPECT_EQ(refusal(R"({"settings": {"site": {"address": "https://a.example/"}}})"),
        "Field \"settings.site.address\": given by the field siteAddress instead; nothing was "
        "written.");

    writeBytes(ws.work("in.json"),
        R"({"siteAddress": "HTTPS://Linden.Example", "settings": {"site": {"hiddenPages": "faq.html"}}})");
    const Outcome imported
        = runCli({ "--home", ws.home(), "import", "in.json", "site.cvp" }, ws.work());
    ASSERT_EQ(imported.status, 0) << imported.err;
    const Outcome shown = runCli({ "--home", ws.home(), "show", "site.cvp" }, ws.work());
    ASSERT_EQ(shown.status, 0) << shown.err;
    const QJsonObject json = parseJson(shown.out);
    EXPECT_EQ(str(json["siteAddress"]), "https://linden.example/");
    const QJsonObject site = json["settings"].toObject()["site"].toObject();
    EXPECT_FALSE(site.contains("address"));
    EXPECT_EQ(str(site["hiddenPages"]), "faq.html");
}

TEST(CliShow, ReadOnlyProjectInTheCurrentDirectory)
{
    Workspace ws {};
    WriteProjectFiles(DefaultProject({ {}, FontFamilyList({}) }), ws.work("p.cvp"));
    ::chmod(ws.work("p.cvp").c_str(), 0444);
    const Outcome outcome = runCli({ "show", "p.cvp" }, ws.work());
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_TRUE(parseJson(outcome.out)["templateName"].isNull());
}

TEST(CliTemplates, OneNameALineInCatalogueOrder)
{
    Workspace ws { "meadow.t", "Harbour.t", "caf\xC3\xA9.t", "notes.txt" };
    const Outcome fromHome = runCli({ "templates" }, ws.home());
    EXPECT_EQ(fromHome.status, 0);
    EXPECT_EQ(fromHome.out, "caf\u00E9\nHarbour\nmeadow\n");
    EXPECT_EQ(runCli({ "--home", "..", "templates" }, ws.work()).out, fromHome.out);
    EXPECT_EQ(runCli({ "templates" }, ws.work()).out, "");
}

TEST(CliTemplates, InstalledElsewhere_FoundBesideTheProgram_UnlessTheCurrentFolderHasTemplates)
{
    Workspace ws { "Local.t" };
    TempDir prefix;
    std::filesystem::create_directories(prefix.file("bin"));
    std::filesystem::create_directories(prefix.file("share/corvanta/templates"));
    std::filesystem::copy_file(CORVANTA_CLI, prefix.file("bin/corvanta-cli"));
    writeBytes(prefix.file("share/corvanta/templates/Installed.t"), "");
    const std::string program = prefix.file("bin/corvanta-cli");

    const Outcome installed = runCli({ "templates" }, ws.work(), program);
    EXPECT_EQ(installed.status, 0) << installed.err;
    EXPECT_EQ(installed.out, "Installed\n");
    const Outcome local = runCli({ "templates" }, ws.home(), program);
    EXPECT_EQ(local.status, 0) << local.err;
    EXPECT_EQ(local.out, "Local\n");
}

TEST(CliFailures, LastStderrLineIsTheErrorBoxText_StatusOne)
{
    Workspace ws { "blue.t" };
    ASSERT_EQ(runCli({ "new", "p.cvp" }, ws.work()).status, 0);
    const std::string record = readBytes(ws.work("p.cvp"));
    writeBytes(ws.work("short.cvp"), record.substr(0, 1663));
    std::filesystem::remove(ws.work("7.dat"));

    const auto expectFailure
        = [&](const std::vector<std::string> &arguments, const std::string &message) {
              const Outcome outcome = runCli(arguments, ws.work());
              EXPECT_EQ(outcome.status, 1) << message;
              EXPECT_EQ(outcome.lastErrorLine(), message);
          };
    expectFailure({ "show", "missing.cvp" }, "File not found.");
    expectFailure({ "show", "short.cvp" }, "Read beyond end of file.");
    expectFailure({ "show", "./p.cvp" }, "Cannot open file " + ws.work("7.dat") + ".");
    expectFailure({ "show", ws.work() }, "File access denied.");
    expectFailure({ "new", "missing/p.cvp" }, "File not found.");
    expectFailure({ "publishing" }, "Unknown command publishing; see corvanta-cli --help.");
    expectFailure({ "show" }, "Usage: corvanta-cli [--home DIR] show PROJECT.cvp.");
    expectFailure({}, "No command given; see corvanta-cli --help.");
    expectFailure({ "templates", "--home" }, "--home needs a directory.");
}

TEST(CliHelp, DescribesEveryVerb)
{
    const Outcome outcome = runCli({ "--help" }, "/");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
    for (const char *word : { "--home DIR", "new PROJECT.cvp", "show PROJECT.cvp", "templates" })
        EXPECT_NE(outcome.out.find(word), std::string::npos) << word;
}
