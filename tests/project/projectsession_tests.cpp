#include "project/projectfiles.h"
#include "project/projectsession.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace Testing {
namespace {

using Model::PageId;

const Model::ChoiceLists Lists { { "Alpha", "Beta" }, { "Arial", "Default" } };

/// A window's page texts: a map, with an edited flag as a text control keeps it.
struct EditorTexts : Model::PageBodyHolder
{
    std::string pageText(PageId page) const override
    {
        const auto found = texts.find(page);
        return found == texts.end() ? std::string() : found->second;
    }
    void setPageText(PageId page, const std::string &body) override
    {
        texts[page] = body;
        replaced.push_back(page);
    }
    bool textsEdited() const override { return edited; }
    void markTextsSaved() override { edited = false; }
    void type(PageId page, const std::string &body)
    {
        texts[page] = body;
        edited = true;
    }

    std::map<PageId, std::string> texts;
    std::vector<PageId> replaced;
    bool edited = false;
};

TEST(ProjectSession, NewSaveOpen_TrackFileNameAndUnsavedChanges)
{
    TempDir dir;
    Model::ProjectSession session(Lists);
    EXPECT_FALSE(session.isModified());
    EXPECT_EQ(session.project(), Model::DefaultProject(Lists));
    EXPECT_EQ(session.selection().editPagesList(), std::vector<std::string>({ "Home" }));

    session.fields().siteTitle = "Bakery";
    session.fields().pageBody[2] = "<p>Bread</p>";
    EXPECT_TRUE(session.isModified());
    session.save(dir.file("bakery.cvp"));
    EXPECT_FALSE(session.isModified());
    EXPECT_EQ(session.fileName(), dir.file("bakery.cvp"));

    session.fields().generateSitemap = true;
    session.setPublishDirectory(dir.path());
    session.newProject();
    // New keeps the site map flag, forgets the file and the publish directory.
    EXPECT_TRUE(session.project().generateSitemap);
    EXPECT_EQ(session.project().siteTitle, "");
    EXPECT_EQ(session.fileName(), "");
    EXPECT_EQ(session.publishDirectory(), "");
    EXPECT_FALSE(session.isModified());

    session.open(dir.file("bakery.cvp"));
    EXPECT_EQ(session.project().siteTitle, "Bakery");
    EXPECT_EQ(session.project().pageBody[2], "<p>Bread</p>");
    EXPECT_FALSE(session.project().generateSitemap);
    EXPECT_FALSE(session.isModified());
}

TEST(ProjectSession, PartialOpen_KeepsWhatWasReadAsUnsaved_AndSaveWritesWhatIsShown)
{
    TempDir dir;
    Model::Project stored = Model::DefaultProject(Lists);
    stored.siteTitle = "Stored";
    for (PageId page = 1; page <= Model::PageCount; ++page)
        stored.pageBody[page - 1] = "stored " + std::to_string(page);
    Model::WriteProjectFiles(stored, dir.file("site.cvp"));
    std::filesystem::remove(dir.file("5.dat"));

    Model::ProjectSession session(Lists);
    session.fields().pageBody[9] = "typed";
    EXPECT_EQ(errorOf([&] { session.open(dir.file("site.cvp")); }),
        "Cannot open file " + dir.file("5.dat"));
    EXPECT_EQ(session.project().siteTitle, "Stored");
    EXPECT_EQ(session.project().pageBody[3], "stored 4");
    EXPECT_EQ(session.project().pageBody[9], "typed");
    EXPECT_EQ(session.fileName(), "");
    EXPECT_TRUE(session.isModified());

    std::filesystem::create_directory(dir.file("copy"));
    session.save(dir.file("copy/site.cvp"));
    EXPECT_EQ(readBytes(dir.file("copy/4.dat")), "stored 4");
    EXPECT_EQ(readBytes(dir.file("copy/5.dat")), "");
    EXPECT_EQ(readBytes(dir.file("copy/10.dat")), "typed");
    EXPECT_FALSE(session.isModified());
}

TEST(ProjectSession, FailedSaveOrShortFile_ChangeNothing)
{
    TempDir dir;
    writeBytes(dir.file("short.cvp"), std::string(100, '\1'));
    Model::ProjectSession session(Lists);
    session.fields().siteTitle = "Mine";
    EXPECT_EQ(errorOf([&] { session.open(dir.file("short.cvp")); }), "Read beyond end of file");
    EXPECT_EQ(session.project().siteTitle, "Mine");
    EXPECT_EQ(errorOf([&] { session.save(dir.file("missing/site.cvp")); }), "File not found");
    EXPECT_TRUE(session.isModified());
    EXPECT_EQ(session.fileName(), "");
}

TEST(ProjectSession, AttachedHolder_IsWhereTheBodiesAreEdited)
{
    TempDir dir;
    Model::ProjectSession session(Lists);
    session.fields().pageBody[0] = "<p>Welcome</p>";
    EditorTexts editor;
    session.attachBodyHolder(&editor);
    EXPECT_EQ(editor.texts[1], "<p>Welcome</p>");
    EXPECT_TRUE(session.isModified()); // the body was never saved

    session.save(dir.file("site.cvp"));
    EXPECT_FALSE(session.isModified());
    editor.type(2, "<p>About us</p>");
    EXPECT_TRUE(session.isModified());
    EXPECT_EQ(session.project().pageBody[1], "<p>About us</p>");
    session.save(dir.file("site.cvp"));
    EXPECT_EQ(readBytes(dir.file("2.dat")), "<p>About us</p>");

    // Open and New hand the holder only the bodies that change.
    editor.replaced.clear();
    editor.type(3, "draft");
    session.open(dir.file("site.cvp"));
    EXPECT_EQ(editor.replaced, std::vector<PageId>({ 3 }));
    EXPECT_EQ(editor.texts[3], "");
    session.newProject();
    EXPECT_EQ(editor.replaced, std::vector<PageId>({ 3, 1, 2 }));
    EXPECT_FALSE(session.isModified());
}

} // namespace
} // namespace Testing
