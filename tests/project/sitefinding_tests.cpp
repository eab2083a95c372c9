#include "project/projectfiles.h"
#include "project/projectsession.h"
#include "project/sitefinding.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

namespace Testing {
namespace {

const Model::ChoiceLists Lists { { "Alpha" }, { "Arial" } };

TEST(SiteAddress, TypedAddresses_KeptWithTheirSlashOrRefused)
{
    const std::pair<const char *, const char *> taken[] = {
        { "https://lindenstreetbakery.example", "https://lindenstreetbakery.example/" },
        { "  HTTP://Linden.Example/Shop  ", "http://linden.example/Shop/" },
        { "https://linden.example:8443/~rosie/site/", "https://linden.example:8443/~rosie/site/" },
        { "http://[2001:db8::1]/", "http://[2001:db8::1]/" },
        { "", "" },
    };
    for (const auto &[typed, kept] : taken)
        EXPECT_EQ(Model::normalisedSiteAddress(typed), std::optional<std::string>(kept)) << typed;
    for (const char *refused : { "lindenstreetbakery.example", "www.linden.example/",
             "ftp://linden.example/", "https://", "https:///shop", "https://linden example/",
             "https://linden.example/?page=1", "https://linden.example/#top",
             "javascript:alert(1)//", "https://linden.example/\"onmouseover=x",
             "https://user@linden.example/", "https://linden.example:99999/",
             "https://linden..example/", "https://caf\xE9.example/" })
        EXPECT_EQ(Model::normalisedSiteAddress(refused), std::nullopt) << refused;

    Model::Project project = Model::DefaultProject(Lists);
    const Model::ProjectSettings before = project.settings;
    EXPECT_EQ(Model::setSiteAddress(project, "linden.example"),
        "\"linden.example\" is not a website address. Type the whole address as it starts in a "
        "web browser, e.g. https://www.example.com/ (http:// or https://, the host name, and the "
        "folder of the site if it has one; no ? or #).");
    EXPECT_EQ(project.settings.text(), before.text());
    EXPECT_EQ(Model::setSiteAddress(project, "https://linden.example"), "");
    EXPECT_EQ(project.settings.text(), "[site]\naddress=https://linden.example/\n");
    EXPECT_EQ(Model::setSiteAddress(project, ""), "");
    EXPECT_EQ(Model::siteAddress(project), "");
}

TEST(SiteAddress, SavedAndOpened_AddressHiddenPagesAndTheDaysBodiesChangedSurvive)
{
    TempDir dir;
    const std::string file = dir.file("site.cvp");
    Model::ProjectSession session(Lists);
    session.fields().pageBody[0] = "<p>Welcome</p>";
    session.fields().pageBody[5] = "<p>Questions</p>";
    ASSERT_EQ(Model::setSiteAddress(session.fields(), "https://linden.example"), "");
    Model::setHiddenFromSearch(session.fields(), 6, true);
    Model::setHiddenFromSearch(session.fields(), 2, true);
    session.fieldsEdited();
    session.save(file);

    Model::ProjectSession reopened(Lists);
    reopened.open(file);
    const Model::Project &project = reopened.project();
    EXPECT_EQ(Model::siteAddress(project), "https://linden.example/");
    EXPECT_TRUE(Model::hiddenFromSearch(project, 2));
    EXPECT_TRUE(Model::hiddenFromSearch(project, 6));
    EXPECT_FALSE(Model::hiddenFromSearch(project, 1));
    EXPECT_EQ(project.settings.value("site", "hiddenPages"), "contact.html faq.html");
    const std::string today = Model::todayUtc();
    EXPECT_EQ(Model::pageChangeDate(project, 1, "<p>Welcome</p>", "2999-01-01"), today);
    // A body that differs from the one saved changed after the save.
    EXPECT_EQ(Model::pageChangeDate(project, 1, "<p>Welcome!</p>", "2999-01-01"), "2999-01-01");

    // A save on a later day keeps the day of a body that did not change, and only that.
    Model::ProjectSettings later = project.settings;
    Model::Project edited = project;
    edited.pageBody[5] = "<p>More questions</p>";
    Model::recordPageChanges(later, edited, "2999-01-01");
    edited.settings = later;
    EXPECT_EQ(Model::pageChangeDate(edited, 1, "<p>Welcome</p>", "3000-01-01"), today);
    EXPECT_EQ(
        Model::pageChangeDate(edited, 6, "<p>More questions</p>", "3000-01-01"), "2999-01-01");
}

TEST(SiteAddress, ProjectWithoutAddress_SavesTheSettingsFileAsBefore)
{
    TempDir dir;
    Model::ProjectSession session(Lists);
    session.fields().pageBody[0] = "<p>Welcome</p>";
    session.fieldsEdited();
    session.save(dir.file("site.cvp"));
    EXPECT_EQ(Testing::readBytes(dir.file("site.cvp.settings")).find("[site]"), std::string::npos);
}

} // namespace
} // namespace Testing
