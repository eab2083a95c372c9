#include "project/projectfiles.h"
#include "tests/publish/site.h"
#include "tests/support/ziparchive.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <set>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

using Testing::Site;

namespace {

struct CliRun
{
    int status;
    std::string out;
    std::vector<std::string> errLines;
};

/// Runs corvanta-cli with `arguments` (already quoted for the shell) and collects its output.
CliRun corvantaCli(const Site &site, const std::string &arguments)
{
    const std::string out = site.out.file("stdout"), err = site.out.file("stderr");
    const std::string command = std::string("'") + CORVANTA_CLI + "' --home '" + site.home.path()
        + "' " + arguments + " >'" + out + "' 2>'" + err + "'";
    const int status = std::system(command.c_str());
    CliRun run { WIFEXITED(status) ? WEXITSTATUS(status) : -1, Testing::readBytes(out), {} };
    const std::string errText = Testing::readBytes(err);
    for (std::size_t start = 0; start < errText.size();) {
        const std::size_t end = errText.find('\n', start);
        // Only the program's own lines: a system library may add notes of its own.
        const std::string line = errText.substr(start, end - start);
        if (!line.starts_with("Fontconfig") && !line.starts_with("QStandardPaths"))
            run.errLines.push_back(line);
        start = end == std::string::npos ? errText.size() : end + 1;
    }
    return run;
}

} // namespace

TEST(CliPublish, NewProjectPublishes_ThenRefusesTheSameDirectoryUnlessToldToReplace)
{
    Site site;
    site.writeTemplate("<!--$TITLE$-->\r\n<!--$NAV$-->\r\n");
    site.writeNavigationPictures();
    const std::string project = "'" + site.out.file("my site.cvp") + "'";
    ASSERT_EQ(corvantaCli(site, "new " + project).status, 0);

    CliRun run = corvantaCli(site, "publish " + project + " '" + site.out.path() + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    ASSERT_EQ(run.errLines.size(), 20u);
    EXPECT_EQ(run.errLines[0], "[  0%] Creating directory and js files...");
    EXPECT_EQ(run.errLines[2], "[ 12%] Creating HTML pages and images...");
    EXPECT_EQ(run.errLines[19], "[100%] Completed");
    EXPECT_EQ(site.read("home.html"),
        " = Home\r\n<script type=\"text/javascript\" "
        "src=\"mainnav.js\"></script>\r\n");

    run = corvantaCli(site, "publish " + project + " '" + site.out.path() + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errLines.back(),
        "Possible cause: the directory WEBSITE may already exist in "
        "the specified directory.");

    Testing::writeBytes(site.website() + "/old.html", "");
    site.writeTemplate("<!--$NAV$-->\r\n");
    run = corvantaCli(site, "publish --replace " + project + " '" + site.out.path() + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(site.read("home.html"),
        "<script type=\"text/javascript\" src=\"mainnav.js\"></script>\r\n");
    EXPECT_FALSE(std::filesystem::exists(site.website() + "/old.html"));

    run = corvantaCli(site, "publish " + project + " ''");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(
        run.errLines, std::vector<std::string> { "Please specify a directory before continuing." });

    std::filesystem::remove(site.templates() + "/Bluehome.gif");
    std::filesystem::create_directory(site.out.file("again"));
    run = corvantaCli(site, "publish " + project + " '" + site.out.file("again") + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errLines.back(), "File not found.");
}

TEST(CliPublish, BodiesComeFromTheContentFiles_EachTimeTheTemplateAsksWhole)
{
    Site site;
    site.writeTemplate("<!--$CONTENT$-->\r\n<hr>\r\n<!--$CONTENT$-->\r\n");
    site.writeNavigationPictures();
    const std::string projectFile = site.out.file("site.cvp");
    const std::string project = "'" + projectFile + "'";
    ASSERT_EQ(corvantaCli(site, "new " + project).status, 0);
    // Large enough to be read and copied into its page beside the writing of the pages.
    const std::string body = "caf\xE9 <b>one</b>\r\ntwo\r\n" + std::string(300000, 'x');
    Testing::writeBytes(site.out.file("1.dat"), body);

    std::filesystem::create_directory(site.out.file("a"));
    ASSERT_EQ(corvantaCli(site, "publish " + project + " '" + site.out.file("a") + "'").status, 0);
    EXPECT_EQ(Testing::readBytes(site.out.file("a/website/home.html")),
        body + "\r\n<hr>\r\n" + body + "\r\n");

    // A missing page content file stops the run before anything is written, as opening the
    // project would.
    std::filesystem::remove(site.out.file("7.dat"));
    std::filesystem::create_directory(site.out.file("b"));
    const CliRun run = corvantaCli(site, "publish " + project + " '" + site.out.file("b") + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errLines.back(), "Cannot open file " + site.out.file("7.dat") + ".");
    EXPECT_FALSE(std::filesystem::exists(site.out.file("b/website")));
}

TEST(CliPreview, PageBytesAreThoseThatPublishingWrites_AndTheLastPreviewIsReplaced)
{
    Site site;
    site.writeTemplate("<!--$TITLE$-->\r\n<!--$NAV$-->\r\n<!--$CONTENT$-->\r\n");
    site.writeNavigationPictures();
    const std::string projectFile = site.out.file("site.cvp");
    const std::string project = "'" + projectFile + "'";
    ASSERT_EQ(corvantaCli(site, "new " + project).status, 0);
    Testing::writeBytes(site.out.file("1.dat"), "caf\xE9 <b>welcome</b>\r\nsecond line");
    std::filesystem::create_directory(site.out.file("published"));
    ASSERT_EQ(
        corvantaCli(site, "publish " + project + " '" + site.out.file("published") + "'").status,
        0);

    const std::string cache = site.out.file("cache");
    const std::string preview = "XDG_CACHE_HOME='" + cache + "' '" + CORVANTA_CLI + "'";
    const std::string previewDir = cache + "/corvanta/preview/website";
    const auto previewRun = [&](const std::string &page) {
        const std::string command = preview + " --home '" + site.home.path() + "' preview "
            + project + " " + page + " >'" + site.out.file("stdout") + "' 2>/dev/null";
        const int status = std::system(command.c_str());
        return std::make_pair(WEXITSTATUS(status), Testing::readBytes(site.out.file("stdout")));
    };
    std::filesystem::create_directories(previewDir);
    Testing::writeBytes(previewDir + "/stale.html", "from an earlier preview");

    const auto [status, out] = previewRun("home.html");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, previewDir + "/home.html\n");
    std::set<std::string> previewed, published;
    for (const auto &entry : std::filesystem::directory_iterator(previewDir))
        previewed.insert(entry.path().filename().string());
    for (const auto &entry :
        std::filesystem::directory_iterator(site.out.file("published/website")))
        published.insert(entry.path().filename().string());
    EXPECT_EQ(previewed, published);
    for (const std::string &name : published) {
        EXPECT_EQ(Testing::readBytes(previewDir + "/" + name),
            Testing::readBytes(site.out.file("published/website/" + name)))
            << name;
    }
    EXPECT_NE(Testing::readBytes(previewDir + "/home.html").find("welcome"), std::string::npos);

    EXPECT_EQ(previewRun("nosuch.html").first, 1);
    EXPECT_EQ(previewRun("about.html").first, 1) << "a page that is not ticked";
}

TEST(CliPublish, TemplateAddedFromAnArchive_ReplacesTheInstalledOne_PagesAndPicturesFromIt)
{
    Site site;
    site.writeTemplate("installed\r\n");
    site.writeNavigationPictures();
    ::setenv("XDG_DATA_HOME", site.out.file("data").c_str(), 1);
    Testing::writeZip(site.out.file("Blue.zip"),
        { { "Blue/Blue.t", "<!--$TITLE$-->\r\nmine\r\n" }, { "Blue/Bluehome.gif", "MINE" } });
    Testing::writeBytes(site.out.file("yes"), "y\n");
    const std::string project = "'" + site.out.file("site.cvp") + "'";

    const CliRun added = corvantaCli(
        site, "add-template '" + site.out.file("Blue.zip") + "' <" + site.out.file("yes"));
    EXPECT_EQ(added.status, 0);
    EXPECT_EQ(added.out, "Blue\n");
    EXPECT_EQ(corvantaCli(site, "templates").out, "Blue\n");
    ASSERT_EQ(corvantaCli(site, "new " + project).status, 0);
    EXPECT_EQ(corvantaCli(site, "publish " + project + " '" + site.out.path() + "'").status, 0);
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(site.read("home.html"), " = Home\r\nmine\r\n");
    EXPECT_EQ(site.read("Bluehome.gif"), "MINE");
}

TEST(CliCheck, SiteFactsAndReferencesToTheProjectsFiles_PrintedFirstThenByPage)
{
    Site site;
    site.project.siteTitle = "Joe's <Best> Bakery";
    site.project.pageBody[0] = "<p><a href=\"site.cvp.upload\">hosts</a></p>";
    Model::WriteProjectFiles(site.project, site.out.file("site.cvp"));
    Testing::writeBytes(site.out.file("site.cvp.upload"), "[upload]\nhost=example.org\n");

    const CliRun run = corvantaCli(site, "check '" + site.out.file("site.cvp") + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out,
        "site: the site title has \"<Best>\", which is no HTML tag: browsers may hide it (type "
        "&lt; to show a \"<\")\n"
        "home.html:1: file \"site.cvp.upload\" is one of the project's own files, which "
        "are never put in the website\n");
}

TEST(CliPublish, ReplacingRunsKilledAtRandomMoments_TheNextRunLeavesOneWholeSiteAndNothingElse)
{
    const char *seedText = std::getenv("KILL_TEST_SEED");
    const unsigned seed = seedText ? static_cast<unsigned>(std::atoi(seedText)) : 20261207u;
    std::mt19937 random(seed);
    Site site;
    site.writeTemplate("<!--$TITLE$-->\r\n<!--$NAV$-->\r\n<!--$CONTENT$-->\r\n");
    site.writeNavigationPictures();
    site.project.businessPages.fill(true);
    for (std::string &body : site.project.pageBody)
        body = std::string(1 << 20, 'b');
    const std::string projectFile = site.home.file("site.cvp");
    Model::WriteProjectFiles(site.project, projectFile);
    const std::string arguments
        = "publish --replace '" + projectFile + "' '" + site.out.path() + "'";
    ASSERT_EQ(corvantaCli(site, arguments).status, 0);
    const std::set<std::string> whole = site.websiteFiles();

    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(corvantaCli(site, arguments).status, 0);
    const auto runTime = std::chrono::steady_clock::now() - start;
    const auto buildingFolders = [&] {
        int count = 0;
        for (const auto &entry : std::filesystem::directory_iterator(site.out.path()))
            count += entry.path().filename().string().starts_with(".website-new-");
        return count;
    };

    int leftBehind = 0;
    for (int kill = 0; kill < 30; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execl(CORVANTA_CLI, CORVANTA_CLI, "--home", site.home.path().c_str(), "publish",
                "--replace", projectFile.c_str(), site.out.path().c_str(), nullptr);
            ::_exit(127);
        }
        std::uniform_int_distribution<long long> moment(
            0, std::chrono::duration_cast<std::chrono::microseconds>(runTime).count() * 6 / 5);
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        EXPECT_TRUE(killed || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) << status;
        leftBehind += buildingFolders() > 0;
        // Whenever the run stopped, one whole site is in place.
        EXPECT_EQ(site.websiteFiles(), whole) << "kill " << kill << ", seed " << seed;
    }
    EXPECT_GT(leftBehind, 0) << "no kill fell while a site was being built";

    ASSERT_EQ(corvantaCli(site, arguments).status, 0);
    EXPECT_EQ(buildingFolders(), 0);
    EXPECT_EQ(site.websiteFiles(), whole);
}
