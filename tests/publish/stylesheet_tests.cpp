#include "publish/stylesheet.h"
#include "tests/publish/site.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using Testing::Site;

namespace {

std::string writeStylesheet(const Site &site)
{
    std::filesystem::create_directory(site.website());
    Publish::WriteStylesheet(site.project, site.lists, Platform::Directory(site.website()));
    return site.read("styles.css");
}

} // namespace

TEST(WriteStylesheet, DefaultProject_GivesTheSixtyFiveLines)
{
    Site site;
    const std::string css = writeStylesheet(site);
    const std::string font = "\tfont-family : arial, sans-serif, verdana;\r\n"
                             "\tfont-size : 12px;\r\n";
    const std::string text = font + "\tcolor : #000000;\r\n\tfont-variant : normal;\r\n}\r\n\r\n";
    const auto link = [&](const char *colour) {
        return std::string("\tcolor : ") + colour + ";\r\n\ttext-decoration : None;\r\n" + font
            + "}\r\n\r\n";
    };
    const std::string list = "\tlist-style-type : disc;\r\n"
                             "\tfont-family: arial, sans-serif, verdana;\r\n"
                             "\tfont-size: 12px;\r\n}\r\n\r\n";
    EXPECT_EQ(css,
        "BODY {\r\n" + text + "TABLE {\r\n" + text + "A:ACTIVE {\r\n" + link("#FF0000")
            + "A:HOVER {\r\n" + link("#0000FF") + "A:LINK {\r\n" + link("#0000FF")
            + "A:VISITED {\r\n" + link("#800080") + "OL {\r\n" + list + "UL {\r\n" + list
            + "LI {\r\n" + list
            + "IMG{ \r\n\tborder-style: solid;\r\n\tborder-width: 1px;\r\n"
              "\tborder-color: #000000;\r\n}\r\n");
    EXPECT_EQ(std::count(css.begin(), css.end(), '\n'), 65);
}

TEST(WriteStylesheet, ChoicesAreWrittenAsShown)
{
    Site site;
    site.project.fontSize = 1; // x-small
    site.project.fontFamily = 1;
    site.project.linkDecoration = 3;
    site.project.imageBorderWidth = 0;
    std::string css = writeStylesheet(site);
    EXPECT_NE(css.find("\tfont-family : \"courier new\", geneva, arial;\r\n"), std::string::npos);
    EXPECT_NE(css.find("A:LINK {\r\n\tcolor : #0000FF;\r\n\ttext-decoration : Line-Through;\r\n"),
        std::string::npos);
    EXPECT_NE(css.find("\tborder-width: 0px;\r\n"), std::string::npos);
    std::size_t keywordSizes = 0;
    for (auto at = css.find(": x-small;\r\n"); at != std::string::npos;
         at = css.find(": x-small;\r\n", at + 1))
        ++keywordSizes;
    EXPECT_EQ(keywordSizes, 9u);

    site.project.fontFamily = 7; // the installed "DejaVu Sans Mono" after "Default"
    site.project.fontSize = 108;
    css = writeStylesheet(site);
    EXPECT_NE(
        css.find("\tfont-family: DejaVu Sans Mono;\r\n\tfont-size: 100px;\r\n"), std::string::npos);
}
