#include "publish/pagesourcemap.h"

#include <gtest/gtest.h>

namespace Testing {
namespace {

using Publish::PageSourceMap;
using Body = PageSourceMap::BodyPlace;
using Shown = PageSourceMap::ShownPlace;

// Text pieces of this page, as a browser numbers them: 0 "Site" (title), 1 "\r\n" after the
// head, 2 "Top" (template), 3 "\r\nFresh " (the line break before the body and its first
// words), 4 "rye", 5 " & more\r\n" ("&amp;" is one character), 6 "Second line", 7 "\r\nEnd".
const std::string Page = "<html><head><title>Site</title></head>\r\n"
                         "<body><h1>Top</h1>\r\n"
                         "Fresh <b>rye</b> &amp; more\r\n"
                         "<p>Second line</p>\r\n"
                         "End</body></html>\r\n";
const std::string BodyText = "Fresh <b>rye</b> &amp; more\r\n<p>Second line</p>";

TEST(PageSourceMap, ShownWords_MapToTheirBodyLineAndColumnAndBack)
{
    const PageSourceMap map(Page, BodyText);
    EXPECT_EQ(map.bodyPlace({ 4, 1 }), (Body { 0, 10 })); // "y" of "rye"
    EXPECT_EQ(map.bodyPlace({ 3, 2 }), (Body { 0, 1 })); // "r" of "Fresh", after the CR LF
    EXPECT_EQ(map.bodyPlace({ 5, 3 }), (Body { 0, 23 })); // "m" of "more", after "&amp;"
    EXPECT_EQ(map.bodyPlace({ 6, 0 }), (Body { 1, 3 }));

    EXPECT_EQ(map.shownPlace({ 0, 10 }), (Shown { 4, 1 }));
    EXPECT_EQ(map.shownPlace({ 0, 23 }), (Shown { 5, 3 }));
    EXPECT_EQ(map.shownPlace({ 1, 3 }), (Shown { 6, 0 }));
    // Inside markup: the next words shown.
    EXPECT_EQ(map.shownPlace({ 0, 7 }), (Shown { 4, 0 }));
}

TEST(PageSourceMap, PieceAddedByAScriptBeforeTheBody_IsAllowedForByTheShownLength)
{
    const PageSourceMap map(Page, BodyText);
    EXPECT_EQ(map.pieceLength(4), 3u); // "rye"
    EXPECT_EQ(map.pieceLength(2), 0u); // the template's "Top"
    // The browser numbers "rye" 5 after a script filled an empty heading of the template.
    EXPECT_EQ(map.bodyPlace({ 5, 1 }, 3), (Body { 0, 10 }));
    EXPECT_EQ(map.bodyPlace({ 3, 1 }, 3), (Body { 0, 10 }));
}

TEST(PageSourceMap, TemplateTextOrABodyNotInThePage_MapsToNothing)
{
    const PageSourceMap map(Page, BodyText);
    EXPECT_EQ(map.bodyPlace({ 2, 1 }), std::nullopt); // "Top"
    EXPECT_EQ(map.bodyPlace({ 7, 3 }), std::nullopt); // "End"
    EXPECT_EQ(map.bodyPlace({ 99, 0 }), std::nullopt);

    const PageSourceMap other(Page, "Not in it");
    EXPECT_EQ(other.bodyPlace({ 4, 1 }), std::nullopt);
    EXPECT_EQ(other.shownPlace({ 0, 0 }), std::nullopt);
}

// Pages made as the template makes them: its own head and parts around the body's line.
std::string pageWith(const std::string &body)
{
    return "<!DOCTYPE html>\r\n<html><head><title>Site</title>\r\n"
           "<script>document.title = 'x';</script></head>\r\n"
           "<body><div class=\"sheet\"><h1>Top</h1>\r\n<div class=\"content\">\n"
        + body + "\r\n</div></div>\r\n<p>Template's end</p></body></html>\r\n";
}

std::optional<Publish::PagePatch> patchBetween(const std::string &shown, const std::string &next)
{
    return Publish::pagePatch(
        PageSourceMap(pageWith(shown), shown), PageSourceMap(pageWith(next), next));
}

TEST(PagePatch, ChangeInsideAParagraph_ReplacesOnlyThatParagraphsChildren)
{
    const auto patch = patchBetween("<p>One</p>\r\n<p>Two <b>x</b></p>\r\n<p>Three</p>",
        "<p>One</p>\r\n<p>Two and a <i>half</i> <b>x</b></p>\r\n<p>Three</p>");
    ASSERT_TRUE(patch);
    EXPECT_FALSE(patch->unchanged);
    // html 0 > body 2 (after the head and a blank) > div.sheet 0 > div.content 2 > p 3
    EXPECT_EQ(patch->path, (std::vector<std::size_t> { 0, 2, 0, 2, 3 }));
    EXPECT_EQ(patch->parentName, "p");
    EXPECT_EQ(patch->parentChildren, 2u);
    EXPECT_EQ(patch->first, 0u);
    EXPECT_EQ(patch->removed, 1u);
    EXPECT_EQ(patch->removedShape, "0t4;");
    EXPECT_EQ(patch->markup, "Two and a <i>half</i> ");
    EXPECT_EQ(patch->addedShape, "0t10;0ehi 0;1t4;0t1;");
}

TEST(PagePatch, ParagraphTakenAway_IsRemovedWithItsLineBreakAndNothingIsAdded)
{
    const auto patch
        = patchBetween("<p>One</p>\r\n<p>Two</p>\r\n<p>Three</p>", "<p>One</p>\r\n<p>Three</p>");
    ASSERT_TRUE(patch);
    EXPECT_EQ(patch->parentName, "div");
    EXPECT_EQ(patch->parentChildren, 7u); // "\n", p, "\r\n", p, "\r\n", p, "\r\n"
    EXPECT_EQ(patch->first, 2u);
    EXPECT_EQ(patch->removed, 2u);
    EXPECT_EQ(patch->removedShape, "0t1;0ehp 0;1t3;");
    EXPECT_EQ(patch->markup, "");
    EXPECT_EQ(patch->addedShape, "");
}

TEST(PagePatch, OnlyAChangeTheBrowserWouldReadAlikeInPlace_IsPatched)
{
    // A blank inside a tag makes the same document.
    const auto blank = patchBetween("<p>One</p>", "<p >One</p>");
    ASSERT_TRUE(blank);
    EXPECT_TRUE(blank->unchanged);

    const PageSourceMap one(pageWith("<p>One</p>"), "<p>One</p>");
    std::string retitled = pageWith("<p>One</p>");
    retitled.replace(retitled.find("Site"), 4, "Shop");
    EXPECT_FALSE(Publish::pagePatch(one, PageSourceMap(retitled, "<p>One</p>"))); // the head
    EXPECT_FALSE(patchBetween("<p>One</p>", "<p>One</p><script>x()</script>"));
    EXPECT_FALSE(patchBetween("<p>One</p>", "<p onclick=\"x()\">One</p>"));
    // The template's script names the title: its element may be changed by it as it loads.
    EXPECT_FALSE(patchBetween("<p>One</p>", "<p>One <abbr title=\"x\">Two</abbr></p>"));
    // The bold left open is carried by the parser into a new element around the next one.
    EXPECT_FALSE(patchBetween("<p><b>One</p>", "<p><b>One</p>\r\n<p>Two</p>"));
    // What a browser with scripts on reads otherwise than the parser, and what lies in
    // another namespace.
    EXPECT_FALSE(
        patchBetween("<noscript><p>One</p></noscript>", "<noscript><p>Two</p></noscript>"));
    EXPECT_FALSE(patchBetween("<svg><text>One</text></svg>", "<svg><text>Two</text></svg>"));
    EXPECT_TRUE(patchBetween("<p>One</p>", "<p>One <abbr lang=\"en\">Two</abbr></p>"));
}

TEST(PagePatch, TableAdded_CarriesTheBodyThatTheParserImpliesInsideIt)
{
    const auto patch
        = patchBetween("<p>One</p>", "<p>One</p>\r\n<table><tr><td>Two</td></tr></table>");
    ASSERT_TRUE(patch);
    EXPECT_EQ(patch->parentName, "div");
    // The line break before the table, then the table (the parser reads CR LF as LF).
    EXPECT_EQ(
        patch->markup.substr(patch->markup.find('<')), "<table><tr><td>Two</td></tr></table>");
    EXPECT_EQ(patch->addedShape, "0t1;0ehtable 0;1ehtbody 0;2ehtr 0;3ehtd 0;4t3;");
}

} // namespace
} // namespace Testing
