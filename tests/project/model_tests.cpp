#include "project/project.h"

#include <gtest/gtest.h>

using namespace Model;

namespace {
const ChoiceLists Lists2 { { "blue", "green" }, FontFamilyList({ "Liberation Sans" }) };
}

TEST(DefaultProject, StartsWithTheStartUpValues)
{
    const Project project = DefaultProject(Lists2);
    EXPECT_EQ(choiceText(project.templateName, Lists2.templates), "blue");
    EXPECT_EQ(choiceText(project.fontFamily, Lists2.fonts), "arial, sans-serif, verdana");
    EXPECT_EQ(choiceText(project.fontSize, Lists::FontSizes), "12");
    EXPECT_EQ(choiceText(project.fontVariant, Lists::FontVariants), "normal");
    EXPECT_EQ(choiceText(project.listStyleType, Lists::ListStyles), "disc");
    EXPECT_EQ(choiceText(project.imageBorderStyle, Lists::BorderStyles), "solid");
    EXPECT_EQ(choiceText(project.imageBorderWidth, Lists::BorderSizes), "1");
    for (const Choice &decoration : { project.linkDecoration, project.hoverDecoration,
             project.activeDecoration, project.visitedDecoration })
        EXPECT_EQ(choiceText(decoration, Lists::Decorations), "None");
    EXPECT_EQ(project.activeColor, (ColorChoice { "#FF0000", 0x0000FF }));
    EXPECT_EQ(project.linkColor, (ColorChoice { "#0000FF", 0xFF0000 }));
    EXPECT_EQ(project.hoverColor, project.linkColor);
    EXPECT_EQ(project.visitedColor, (ColorChoice { "#800080", 0x800080 }));
    EXPECT_EQ(project.fontColor, (ColorChoice { "#000000", 0 }));
    EXPECT_EQ(project.imageBorderColor, project.fontColor);
    EXPECT_TRUE(project.addMadeWithLink);
    EXPECT_FALSE(
        project.addTextNavigation || project.addCopyrightFooter || project.generateSitemap);
    EXPECT_EQ(project.siteType, SiteType::Personal);
    EXPECT_TRUE(project.personalPages[0] && project.businessPages[0]);
    for (PageId page = 2; page <= PageCount; ++page)
        EXPECT_FALSE(pageIncluded(project, page)) << page;
}

TEST(DefaultProject, EmptyCatalogue_NoTemplateAndEverythingElseTheSame)
{
    Project project = DefaultProject({ {}, Lists2.fonts });
    EXPECT_FALSE(project.templateName.has_value());
    project.templateName = 0;
    EXPECT_EQ(project, DefaultProject(Lists2));
}

TEST(PageIncluded, EitherTickIncludesThePage_SiteTypeDoesNot)
{
    Project project = DefaultProject(Lists2);
    project.businessPages[1] = true; // Contact, business column, on a personal site
    EXPECT_TRUE(pageIncluded(project, 2));
    project.personalPages[2] = true;
    EXPECT_TRUE(pageIncluded(project, 3));
    EXPECT_FALSE(pageIncluded(project, 12));
    project.businessPages[11] = true;
    EXPECT_TRUE(pageIncluded(project, 12));
}

TEST(FontFamilyList, SixStacksThenDefaultAndFamiliesSortedCaselessEachOnce)
{
    const auto list = FontFamilyList({ "verdana", "Arial", "dejaVu Sans", "Arial", "Default" });
    ASSERT_EQ(list.size(), 10u);
    EXPECT_EQ(list[0], "arial, sans-serif, verdana");
    EXPECT_EQ(list[5], "tahoma, arial, verdana");
    EXPECT_EQ(std::vector<std::string>(list.begin() + 6, list.end()),
        (std::vector<std::string> { "Arial", "Default", "dejaVu Sans", "verdana" }));
}

TEST(FormatHtmlColor, UpperCaseRedFirst)
{
    EXPECT_EQ(FormatHtmlColor(0xAB, 0x0C, 0xFF), "#AB0CFF");
    EXPECT_EQ(colorChoice(0xAB, 0x0C, 0xFF).swatch, 0xFF0CABu);
}
