#include "publish/navigation.h"
#include "publish/renderpage.h"
#include "tests/publish/site.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace Publish;
using Testing::errorOf;
using Testing::Site;

namespace {

const std::string NavInclude = "<script type=\"text/javascript\" src=\"mainnav.js\"></script>";
const std::string TextNavInclude
    = "<script type=\"text/javascript\" src=\"bottomnav.js\"></script>";

/// A site ready for its Home page: navigation pictures in place, website directory made.
struct PageSite : Site
{
    PageSite()
    {
        writeNavigationPictures();
        prepareWebsite();
    }
    std::string render(const std::string &templateBytes, Model::PageId page = 1)
    {
        writeTemplate(templateBytes);
        RenderPage(
            project, lists, page, Platform::Directory(templates()), Platform::Directory(website()));
        return read(Model::pageInfo(page).pageFile);
    }
};

} // namespace

TEST(RenderPage, TemplateLines_EndAtCarriageReturnsAndCtrlZ)
{
    PageSite site;
    EXPECT_EQ(site.render(""), "\r\n");
    EXPECT_EQ(site.render("a\nb\n"), "a\nb\n\r\n");
    EXPECT_EQ(site.render("x\r\ny\rz"), "x\r\ny\r\nz\r\n");
    EXPECT_EQ(site.render("x\r\n\r\n"), "x\r\n\r\n");
    EXPECT_EQ(site.render("a\r\n\x1A<!--$TITLE$-->\r\n"), "a\r\n");
    EXPECT_EQ(site.render("<!--$TITLE$-->\n<p>\n"), "<!--$TITLE$-->\n<p>\n\r\n");
}

TEST(RenderPage, EveryPlaceholder_IsReplacedAtTheFirstColumn)
{
    PageSite site;
    Model::Project &p = site.project;
    p.siteTitle = "Anna's \xE9t\xE9";
    p.siteDescription = "say \"hi\"";
    p.siteKeywords = "k1, k2";
    p.copyrightYears = "2001-2004";
    p.logoPath = "/elsewhere/pics/logo one.png";
    p.slogan = "  fun  ";
    p.addCopyrightFooter = true;
    p.addTextNavigation = true;
    p.pageBody[2] = "<p>one</p>\r\n<p>two</p>";
    site.prepareWebsite();

    const std::string page = site.render("<html>\r\n"
                                         "\t <!--$TITLE$--> \x01\r\n"
                                         "<title><!--$TITLE$--></title>\r\n"
                                         "<!--$title$-->\r\n"
                                         "<!--$DESCRIPTION$-->\r\n<!--$KEYWORDS$-->\r\n"
                                         "<!--$COPYRIGHT$-->\r\n<!--$LOGO$-->\r\n"
                                         "<!--$SLOGAN$-->\r\n  <!--$CONTENT$-->\r\n"
                                         "<!--$TEXTNAV$-->\r\n<!--$NAV$-->\r\n"
                                         "  <!--$ENDIMG$-->  \r\n"
                                         "<!--$COPYBOTTOM$-->\r\n<!--$MADE$-->\r\n"
                                         "</html>",
        3);
    EXPECT_EQ(page,
        "<html>\r\n"
        "Anna's \xE9t\xE9 = About\r\n"
        "<title><!--$TITLE$--></title>\r\n"
        "<!--$title$-->\r\n"
        "<meta name=\"description\" content=\"say &quot;hi&quot;\">\r\n"
        "<meta name=\"keywords\" content=\"k1, k2\">\r\n"
        "<meta name=\"copyright\" content=\"2001-2004\">\r\n"
        "<img src=\"logo one.png\" border=\"0\" alt=\"Logo\">\r\n"
        "<i>  fun  </i>\r\n"
        "<p>one</p>\r\n<p>two</p>\r\n"
            + TextNavInclude + "\r\n" + NavInclude + "\r\n"
            + "  <!--$ENDIMG$-->  \r\n"
              "<font style=\"font-size:10px; font-family:verdana,arial\">&copy; 2001-2004 by "
              "Anna's \xE9t\xE9.<br>All rights reserved.</font><br>\r\n"
            + madeWithLine() + "\r\n</html>\r\n");
    EXPECT_EQ(site.read("mainnav.js"), mainNavigationEntry("Blue", 3) + "\r\n");
    EXPECT_EQ(site.read("bottomnav.js"), textNavigationEntry(3) + "\r\n");
}

TEST(RenderPage, TypedFieldsInAttributes_AreEscapedAndReferencesStayInTextAsTyped)
{
    PageSite site;
    Model::Project &p = site.project;
    p.siteTitle = "Joe's <i>Best</i> & Co";
    p.siteDescription = "The \"best\" <bread> & R&D &copy; &#233;&#xE9; &foo; &copy 2004 &";
    p.siteKeywords = "bread,&amp;,a>b";
    p.copyrightYears = "&copy; 2004";
    p.slogan = "<b>Fresh</b> & \"warm\"";
    p.logoPath = "/pictures/trail.gif ";
    p.addCopyrightFooter = true;
    EXPECT_EQ(site.render("<!--$TITLE$-->\r\n<!--$DESCRIPTION$-->\r\n<!--$KEYWORDS$-->\r\n"
                          "<!--$COPYRIGHT$-->\r\n<!--$SLOGAN$-->\r\n<!--$LOGO$-->\r\n"
                          "<!--$COPYBOTTOM$-->"),
        "Joe's <i>Best</i> & Co = Home\r\n"
        "<meta name=\"description\" content=\"The &quot;best&quot; &lt;bread&gt; &amp; R&amp;D "
        "&copy; &#233;&#xE9; &amp;foo; &amp;copy 2004 &amp;\">\r\n"
        "<meta name=\"keywords\" content=\"bread,&amp;,a&gt;b\">\r\n"
        "<meta name=\"copyright\" content=\"&copy; 2004\">\r\n"
        "<i><b>Fresh</b> & \"warm\"</i>\r\n"
        "<img src=\"trail.gif%20\" border=\"0\" alt=\"Logo\">\r\n"
        "<font style=\"font-size:10px; font-family:verdana,arial\">&copy; &copy; 2004 by Joe's "
        "<i>Best</i> & Co.<br>All rights reserved.</font><br>\r\n");
}

TEST(RenderPage, EmptyValuesAndOptionsOff_KeepTheirShape)
{
    PageSite site;
    site.project.addMadeWithLink = false;
    const std::string lines = "<!--$TITLE$-->\r\n<!--$DESCRIPTION$-->\r\n<!--$LOGO$-->\r\n"
                              "<!--$SLOGAN$-->\r\n<!--$COPYBOTTOM$-->\r\n<!--$MADE$-->\r\n"
                              "\t<!--$TEXTNAV$-->\r\n<!--$CONTENT$-->\r\n";
    EXPECT_EQ(site.render(lines),
        " = Home\r\n<meta name=\"description\" content=\"\">\r\n"
        "<!--$LOGO$-->\r\n<i></i>\r\n<!--$COPYBOTTOM$-->\r\n"
        "<!--$MADE$-->\r\n\t<!--$TEXTNAV$-->\r\n\r\n");

    site.project.addCopyrightFooter = true;
    EXPECT_EQ(site.render("<!--$COPYBOTTOM$-->"),
        "<font style=\"font-size:10px; font-family:verdana,arial\">&copy;  by "
        ".<br>All rights reserved.</font><br>\r\n");
}

TEST(RenderPage, TwoNavigationLines_GiveTwoIncludesAndTwoEntries)
{
    PageSite site;
    site.lists.templates = { "Blue Sky" };
    site.writePicture("Blue Skyjobs.gif");
    Testing::writeBytes(site.templates() + "/Blue Sky.t", "<!--$NAV$-->\r<!--$NAV$-->");
    RenderPage(site.project, site.lists, 14, Platform::Directory(site.templates()),
        Platform::Directory(site.website()));
    EXPECT_EQ(site.read("jobs.html"), NavInclude + "\r\n" + NavInclude + "\r\n");
    const std::string entry = "document.write(\"<a href=\\\"jobs.html\\\"><img src=\\\"Blue "
                              "Skyjobs.gif\\\" border=\\\"0\\\" alt=\\\"Jobs\\\"></a><br>\");\r\n";
    EXPECT_EQ(site.read("mainnav.js"), entry + entry);
    EXPECT_EQ(site.read("Blue Skyjobs.gif"), "Blue Skyjobs.gif");
}

TEST(NavigationScripts, TextEntries_AndAppendingToAMissingScript)
{
    EXPECT_EQ(textNavigationEntry(1),
        "document.write(\"<font style=\\\"font-size:11px\\\"><a "
        "href=\\\"home.html\\\">Home</a> :: </font>\");");
    EXPECT_EQ(textNavigationEntry(6),
        "document.write(\"<font style=\\\"font-size:11px\\\"><a "
        "href=\\\"faq.html\\\">FAQ</a> :: </font>\");");
    Testing::TempDir dir;
    CreateNavigationScripts(Platform::Directory(dir.path()), false);
    EXPECT_EQ(Testing::readBytes(dir.file("mainnav.js")), "");
    EXPECT_FALSE(std::filesystem::exists(dir.file("bottomnav.js")));
    EXPECT_EQ(errorOf([&] { AppendTextNavigationEntry(Platform::Directory(dir.path()), 1); }),
        "File not found");
}

TEST(RenderPage, ImageBlock_CopiesItsPicturesAndStaysOutOfThePage)
{
    PageSite site;
    const std::string longName = std::string(200, 'p');
    for (const std::string name : { "top.gif", "side.gif  ", "<!--$NAV$-->", longName.c_str() })
        site.writePicture(name);
    const std::string page = site.render("a\r\n<!--$IMG$-->\r\ntop.gif\r\nside.gif  \r\n"
                                         "<!--$NAV$-->\r\n"
        + longName + "xyz\r\n <!--$ENDIMG$-->\r\nb\r\n");
    EXPECT_EQ(page, "a\r\nb\r\n");
    EXPECT_EQ(site.websiteFiles(),
        (std::set<std::string> { "home.html", "mainnav.js", "Bluehome.gif", "top.gif", "side.gif  ",
            "<!--$NAV$-->", longName }));
    EXPECT_EQ(site.read("mainnav.js"), "");
}

TEST(RenderPage, OpenOrOverlongImageBlock_CopiesEveryNameUpToTheEnd)
{
    PageSite site;
    std::string names;
    for (int i = 1; i <= 35; ++i) {
        site.writePicture("pic" + std::to_string(i) + ".gif");
        names += "pic" + std::to_string(i) + ".gif\r\n";
    }
    EXPECT_EQ(site.render("<p>\r\n<!--$IMG$-->\r\n" + names), "<p>\r\n");
    EXPECT_EQ(site.websiteFiles().size(), 3u + 35u);
    EXPECT_EQ(site.read("pic35.gif"), "pic35.gif");
}

TEST(RenderPage, PictureNamesThatLeadOutOfTheDirectories_EndThePageBeforeAnyCopy)
{
    const std::vector<std::string> names { "../../victim", "sub/x.gif", "..", ".",
        std::string("a\0b", 3) };
    for (const std::string &name : names) {
        PageSite site;
        site.writePicture("ok.gif");
        Testing::writeBytes(site.out.file("victim"), "mine");
        const std::string error = errorOf([&] {
            site.render(
                "<!--$NAV$-->\r\n<!--$IMG$-->\r\nok.gif\r\n" + name + "\r\n<!--$ENDIMG$-->");
        });
        const std::string shown = name.size() == 3 && name[1] == '\0' ? "a?b" : name;
        EXPECT_EQ(error,
            "The template \"Blue\" names the picture \"" + shown
                + "\", which is not a plain file name. No picture was copied for home.html");
        EXPECT_EQ(site.websiteFiles(), (std::set<std::string> { "home.html", "mainnav.js" }));
        EXPECT_EQ(site.read("home.html"), NavInclude + "\r\n");
        EXPECT_EQ(Testing::readBytes(site.out.file("victim")), "mine");
    }
}

TEST(RenderPage, FileFailures_StopAtTheirStep)
{
    PageSite site;
    // No template installed at all: the bare ".t" is looked for.
    Model::ChoiceLists none { {}, site.lists.fonts };
    const Model::Project bare = Model::DefaultProject(none);
    Testing::writeBytes(site.templates() + "/.t", "bare");
    Testing::writeBytes(site.templates() + "/contact.gif", "");
    RenderPage(
        bare, none, 2, Platform::Directory(site.templates()), Platform::Directory(site.website()));
    EXPECT_EQ(site.read("contact.html"), "bare\r\n");

    // No navigation picture: the page and its entry are complete, listed pictures wait.
    std::filesystem::remove(site.templates() + "/Bluehome.gif");
    site.writePicture("a.gif");
    EXPECT_EQ(
        errorOf([&] { site.render("<!--$NAV$-->\r\n<!--$IMG$-->\r\na.gif\r\n<!--$ENDIMG$-->"); }),
        "File not found");
    EXPECT_EQ(site.read("home.html"), NavInclude + "\r\n");
    EXPECT_EQ(site.read("mainnav.js"), mainNavigationEntry("Blue", 1) + "\r\n");
    EXPECT_FALSE(std::filesystem::exists(site.website() + "/a.gif"));

    // A listed picture missing: those before it are copied.
    site.writePicture("Bluehome.gif");
    EXPECT_EQ(
        errorOf([&] { site.render("<!--$IMG$-->\r\na.gif\r\nb.gif\r\nc.gif\r\n<!--$ENDIMG$-->"); }),
        "File not found");
    EXPECT_TRUE(std::filesystem::exists(site.website() + "/a.gif"));
    EXPECT_FALSE(std::filesystem::exists(site.website() + "/c.gif"));
}

TEST(RenderPage, EveryFileReadFromTheTemplatesFolder_OnlyFromInsideIt)
{
    // The template, its navigation picture and a listed picture, each in turn put in place as
    // a link out of the folder, a link that stays inside, a directory and a named pipe.
    struct Read
    {
        std::string name;
        std::string what;
    };
    const std::vector<Read> reads { { "Blue.t", "template file" },
        { "Bluehome.gif", "template picture" }, { "rule.gif", "template picture" } };
    const std::string templateText = "<!--$NAV$-->\r\n<!--$IMG$-->\r\nrule.gif\r\n<!--$ENDIMG$-->";
    for (const Read &read : reads) {
        for (const std::string kind : { "outside", "inside", "directory", "pipe" }) {
            SCOPED_TRACE(read.name + " as " + kind);
            PageSite site;
            site.writeTemplate(templateText);
            site.writePicture("rule.gif");
            Testing::writeBytes(site.out.file("secret"), "private key");
            std::filesystem::create_directory(site.templates() + "/sub");
            const std::string path = site.templates() + "/" + read.name;
            Testing::writeBytes(site.templates() + "/sub/real", Testing::readBytes(path));
            std::filesystem::remove(path);
            if (kind == std::string("outside"))
                std::filesystem::create_symlink(site.out.file("secret"), path);
            else if (kind == std::string("inside"))
                std::filesystem::create_symlink("sub/../sub/real", path);
            else if (kind == std::string("directory"))
                std::filesystem::create_directory(path);
            else
                ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);

            const std::string error = errorOf([&] {
                RenderPage(site.project, site.lists, 1, Platform::Directory(site.templates()),
                    Platform::Directory(site.website()));
            });
            if (kind == std::string("inside")) {
                EXPECT_EQ(error, "(no error)");
                EXPECT_EQ(site.read("home.html"), NavInclude + "\r\n");
                EXPECT_EQ(site.read("rule.gif"), "rule.gif");
                EXPECT_EQ(site.read("Bluehome.gif"), "Bluehome.gif");
                continue;
            }
            const std::string problem = kind == std::string("outside")
                ? "links outside the templates folder."
                : "is not a file.";
            EXPECT_EQ(error, "The " + read.what + " \"" + read.name + "\" " + problem);
            EXPECT_FALSE(std::filesystem::exists(site.website() + "/" + read.name));
            for (const std::string &name : site.websiteFiles())
                EXPECT_NE(site.read(name), "private key") << name;
        }
    }
}
