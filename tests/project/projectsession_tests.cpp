#include "platform/fileerror.h"
#include "platform/userfolders.h"
#include "project/projectfiles.h"
#include "project/projectsession.h"
#include "project/recentprojects.h"
#include "project/recoverystore.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace Testing {
namespace {

using Model::PageId;

const Model::ChoiceLists Lists { { "Alpha", "Beta" }, { "Arial", "Default" } };

/// A window's page texts: a map; typing reports each edit as a text control does.
struct EditorTexts : Model::PageBodyEditor
{
    std::string pageText(PageId page) const override
    {
        asked.push_back(page);
        const auto found = texts.find(page);
        return found == texts.end() ? std::string() : found->second;
    }
    void setPageText(PageId page, const std::string &body) override
    {
        texts[page] = body;
        replaced.push_back(page);
    }
    void markTextsSaved() override { }
    void type(PageId page, const std::string &body)
    {
        texts[page] = body;
        reportEdit(page, true);
    }

    std::map<PageId, std::string> texts;
    std::vector<PageId> replaced;
    mutable std::vector<PageId> asked;
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

TEST(ProjectSession, AttachedEditor_IsWhereTheBodiesAreEdited)
{
    TempDir dir;
    Model::ProjectSession session(Lists);
    session.fields().pageBody[0] = "<p>Welcome</p>";
    EditorTexts editor;
    session.attachBodyEditor(&editor);
    EXPECT_EQ(editor.texts[1], "<p>Welcome</p>");
    EXPECT_TRUE(session.isModified()); // the body was never saved

    session.save(dir.file("site.cvp"));
    EXPECT_FALSE(session.isModified());
    editor.type(2, "<p>About us</p>");
    EXPECT_TRUE(session.isModified());
    EXPECT_EQ(session.project().pageBody[1], "<p>About us</p>");
    session.save(dir.file("site.cvp"));
    EXPECT_EQ(readBytes(dir.file("2.dat")), "<p>About us</p>");

    // Open and New hand the editor only the bodies that change.
    editor.replaced.clear();
    editor.type(3, "draft");
    session.open(dir.file("site.cvp"));
    EXPECT_EQ(editor.replaced, std::vector<PageId>({ 3 }));
    EXPECT_EQ(editor.texts[3], "");
    session.newProject();
    EXPECT_EQ(editor.replaced, std::vector<PageId>({ 3, 1, 2 }));
    EXPECT_FALSE(session.isModified());
}

TEST(ProjectSession, ChangesAreToldAsTheyHappen_AnEditedBodyIsTakenOnlyWhenNeeded)
{
    using Change = Model::SessionChange;
    TempDir dir;
    Model::ProjectSession session(Lists);
    std::vector<Change> told;
    const int observer = session.observe([&](Change change) { told.push_back(change); });
    EditorTexts editor;
    session.attachBodyEditor(&editor);
    for (const char *typed : { "a", "ab", "abc" })
        editor.type(5, typed);
    EXPECT_TRUE(editor.asked.empty()) << "an edit copies no body";
    EXPECT_TRUE(session.isModified());
    EXPECT_EQ(session.fields().pageBody[4], "abc");
    EXPECT_EQ(session.project().pageBody[4], "abc");
    EXPECT_EQ(editor.asked, std::vector<PageId>({ 5 })) << "taken once, the edited page alone";

    session.fields().siteTitle = "Bakery";
    session.fieldsEdited();
    session.save(dir.file("site.cvp"));
    session.newProject();
    session.undoNew();
    session.open(dir.file("site.cvp"));
    session.restoreRecoverySnapshot(session.recoverySnapshot());
    EXPECT_EQ(told,
        std::vector<Change>({ Change::PageBody, Change::PageBody, Change::PageBody, Change::Fields,
            Change::Saved, Change::Project, Change::Project, Change::Project, Change::Project }));

    session.stopObserving(observer);
    session.fieldsEdited();
    EXPECT_EQ(told.size(), 9u);
}

TEST(ProjectSession, Snapshot_IsTheProjectOfItsMomentWhateverChangesAfter)
{
    Model::ProjectSession session(Lists);
    session.fields().siteTitle = "Bakery";
    session.fields().pageBody[2] = "<p>Bread</p>";
    const Model::ProjectSnapshot beforeEditor = session.snapshot();
    const Model::Project withoutEditor = session.project();

    EditorTexts editor;
    session.attachBodyEditor(&editor);
    editor.type(5, "<p>Rye</p>");
    const Model::ProjectSnapshot typed = session.snapshot();
    const Model::Project whenTyped = session.project();
    EXPECT_EQ(whenTyped.pageBody[4], "<p>Rye</p>");

    editor.type(5, "<p>Spelt</p>");
    editor.type(3, "<p>Oats</p>");
    session.fields().siteTitle = "Mill";
    session.fieldsEdited();
    EXPECT_EQ(typed.project(), whenTyped);
    EXPECT_EQ(beforeEditor.project(), withoutEditor);
    EXPECT_EQ(session.snapshot().project(), session.project());
    session.attachBodyEditor(nullptr);
}

TEST(ProjectSession, Title_ShowsUnsavedChanges)
{
    TempDir dir;
    Model::ProjectSession session(Lists);
    EXPECT_EQ(session.windowTitle(), "Corvanta v1.0");
    session.fields().slogan = "Fresh";
    EXPECT_EQ(session.windowTitle(), "Untitled* - Corvanta v1.0");
    session.save(dir.file("site.cvp"));
    EXPECT_EQ(session.windowTitle(), "site.cvp - Corvanta v1.0");
    EditorTexts editor;
    session.attachBodyEditor(&editor);
    editor.type(4, "typed");
    EXPECT_EQ(session.windowTitle(), "site.cvp* - Corvanta v1.0");
}

TEST(ProjectSession, UndoRightAfterNew_BringsBackTheProjectWithItsFileAndUnsavedState)
{
    TempDir dir;
    Model::ProjectSession session(Lists);
    EditorTexts editor;
    session.attachBodyEditor(&editor);
    session.fields().siteTitle = "Bakery";
    session.selection().SetPageTick(Model::Column::Personal, 3, true);
    session.save(dir.file("bakery.cvp"));
    editor.type(2, "unsaved text");
    session.setPublishDirectory(dir.path());
    const Model::Project before = session.project();
    const auto listBefore = session.selection().editPagesList();
    EXPECT_FALSE(session.canUndoNew());

    session.newProject();
    EXPECT_TRUE(session.canUndoNew());
    session.undoNew();
    EXPECT_EQ(session.project(), before);
    EXPECT_EQ(editor.texts[2], "unsaved text");
    EXPECT_EQ(session.selection().editPagesList(), listBefore);
    EXPECT_EQ(session.fileName(), dir.file("bakery.cvp"));
    EXPECT_EQ(session.publishDirectory(), dir.path());
    EXPECT_TRUE(session.isModified());
    EXPECT_FALSE(session.canUndoNew()) << "one level";

    // A change after New means it is no longer right after New.
    session.newProject();
    session.fields().slogan = "new";
    EXPECT_FALSE(session.canUndoNew());
}

TEST(ProjectSession, RecoverySnapshot_RestoresEverythingMarkedUnsaved)
{
    TempDir dir;
    Model::ProjectSession session(Lists);
    session.fields().siteTitle = "Caf\xE9";
    session.fields().templateName = 1;
    session.selection().SetPageTick(Model::Column::Personal, 5, true);
    session.fields().pageBody[13] = std::string("a\0\r\n9\n", 6);
    session.save(dir.file("site.cvp"));
    EditorTexts editor;
    session.attachBodyEditor(&editor);
    editor.type(1, "typed after the save");
    session.setPublishDirectory("/srv/www");
    const std::string snapshot = session.recoverySnapshot();
    const std::function<std::string()> later = session.recoverySnapshotLater();

    Model::ProjectSession restored(Lists);
    EditorTexts restoredEditor;
    restored.attachBodyEditor(&restoredEditor);
    restored.restoreRecoverySnapshot(snapshot);
    EXPECT_EQ(restored.project(), session.project());
    EXPECT_EQ(restored.selection().editPagesList(), session.selection().editPagesList());
    EXPECT_EQ(restored.fileName(), dir.file("site.cvp"));
    EXPECT_EQ(restored.publishDirectory(), "/srv/www");
    EXPECT_TRUE(restored.isModified());
    restored.save(restored.fileName());
    EXPECT_FALSE(restored.isModified());

    // Restarted after a template was added: the snapshot's names still choose.
    Model::ProjectSession afterAdding({ { "Added", "Alpha", "Beta" }, Lists.fonts });
    EXPECT_TRUE(afterAdding.restoreRecoverySnapshot(snapshot).empty());
    EXPECT_EQ(afterAdding.fields().templateName, 2u);

    Model::ProjectSession untouched(Lists);
    for (const std::size_t cut : { std::size_t(0), std::size_t(30), snapshot.size() - 1 })
        EXPECT_THROW(
            untouched.restoreRecoverySnapshot(snapshot.substr(0, cut)), Platform::FileError);
    EXPECT_EQ(untouched.project(), Model::DefaultProject(Lists));

    // Taken in a moment, its bytes made later: those of its moment.
    editor.type(1, "typed after the snapshot");
    session.fields().siteTitle = "Mill";
    EXPECT_EQ(later(), snapshot);
}

TEST(ChoiceNames, TemplateOrFontAddedSinceTheSave_TheNamesKeepTheChoice)
{
    TempDir dir;
    Model::ProjectSession session(
        { { "Midnight", "Plain" }, Model::FontFamilyList({ "Noto Sans" }) });
    session.fields().templateName = 1;
    session.fields().fontFamily = 7;
    session.save(dir.file("site.cvp"));
    EXPECT_EQ(readBytes(dir.file("site.cvp.settings")),
        "[choices]\ntemplate=Plain\ntemplatePosition=1\nfontFamily=Noto Sans\n"
        "fontFamilyPosition=7\n");
    EXPECT_EQ(readBytes(dir.file("site.cvp"))[1], '\1'); // older copies read the position

    // A template "Good" was added and a font sorted before the chosen one installed.
    Model::ProjectSession later(
        { { "Good", "Midnight", "Plain" }, Model::FontFamilyList({ "Arimo", "Noto Sans" }) });
    EXPECT_TRUE(later.open(dir.file("site.cvp")).empty());
    EXPECT_EQ(later.fields().templateName, 2u);
    EXPECT_EQ(later.fields().fontFamily, 8u);
    EXPECT_FALSE(later.isModified());

    // Past position 254 the record has no byte for the choice; the name still finds it.
    Model::ChoiceLists many { {}, Model::FontFamilyList({}) };
    for (int i = 0; i < 300; ++i)
        many.templates.push_back("T" + std::to_string(1000 + i));
    Model::ProjectSession large(many);
    large.fields().templateName = 280;
    large.save(dir.file("large.cvp"));
    Model::ProjectSession largeAgain(many);
    largeAgain.open(dir.file("large.cvp"));
    EXPECT_EQ(largeAgain.fields().templateName, 280u);
}

TEST(ChoiceNames, TemplateNoLongerInstalled_WarnedAndKeptUntilAnotherIsChosen)
{
    TempDir dir;
    const std::string file = dir.file("site.cvp");
    Model::ProjectSession session({ { "Good", "Midnight", "Plain" }, { "Arial" } });
    session.fields().templateName = 0;
    session.save(file);

    // "Good" is gone: its position now holds Midnight, which the project never chose.
    Model::ProjectSession later({ { "Midnight", "Plain" }, { "Arial" } });
    const std::vector<std::string> warning { "The template \"Good\" chosen for this project is "
                                             "not installed. The project keeps it until you "
                                             "choose another template." };
    EXPECT_EQ(later.open(file), warning);
    EXPECT_FALSE(later.fields().templateName.has_value());
    EXPECT_FALSE(later.isModified());
    later.fields().siteTitle = "saved again";
    later.save(file);
    EXPECT_EQ(later.open(file), warning);
    EXPECT_EQ(later.fields().siteTitle, "saved again");

    later.fields().templateName = 1;
    later.save(file);
    EXPECT_TRUE(later.open(file).empty());
    EXPECT_EQ(readBytes(dir.file("site.cvp.settings")),
        "[choices]\ntemplate=Plain\ntemplatePosition=1\nfontFamily=Arial\nfontFamilyPosition=0\n");
}

TEST(ChoiceNames, TemplateAddedWhileOpen_ChoiceFollowsItsName_AMissingOneIsFound)
{
    TempDir dir;
    Model::ProjectSession session({ { "Good", "Plain" }, { "Arial" } });
    session.fields().templateName = 1;
    session.save(dir.file("plain.cvp"));
    session.fields().templateName = 0;
    session.save(dir.file("good.cvp"));

    // Opened where "Good" is not installed, then "Good" and "Blue" are added.
    Model::ProjectSession later({ { "Plain" }, { "Arial" } });
    EXPECT_EQ(later.open(dir.file("good.cvp")).size(), 1u);
    later.setTemplates({ "Blue", "Good", "Plain" });
    EXPECT_EQ(later.fields().templateName, 1u);
    EXPECT_FALSE(later.isModified());

    later.open(dir.file("plain.cvp"));
    later.setTemplates({ "Avocado", "Blue", "Good", "Plain" });
    EXPECT_EQ(later.fields().templateName, 3u);
    EXPECT_FALSE(later.isModified());
}

TEST(ChoiceNames, OlderProjectWithoutSettings_PositionDecides_LinesOfLaterVersionsAreKept)
{
    TempDir dir;
    const std::string file = dir.file("site.cvp");
    Model::ProjectSession session(Lists);
    session.fields().templateName = 1;
    session.save(file);
    std::filesystem::remove(dir.file("site.cvp.settings"));

    Model::ProjectSession older(Lists);
    EXPECT_TRUE(older.open(file).empty());
    EXPECT_EQ(older.fields().templateName, 1u);
    older.save(file);
    EXPECT_EQ(readBytes(dir.file("site.cvp.settings")),
        "[choices]\ntemplate=Beta\ntemplatePosition=1\nfontFamily=Arial\nfontFamilyPosition=0\n");

    // A later version added keys, a section and a comment; this one changes only its names.
    writeBytes(dir.file("site.cvp.settings"),
        "; written by a later version\r\n[choices]\r\ntemplate = Beta\r\npictures = 80 \r\n"
        "fontFamily=Arial\r\n\r\n[page 5]\r\nhidden=1\r\n");
    Model::ProjectSession later(Lists);
    later.open(file);
    later.fields().fontFamily = 1;
    later.save(file);
    EXPECT_EQ(readBytes(dir.file("site.cvp.settings")),
        "; written by a later version\n[choices]\ntemplate = Beta\npictures = 80 \n"
        "fontFamily=Default\ntemplatePosition=1\nfontFamilyPosition=1\n\n[page 5]\nhidden=1\n");
}

TEST(ChoiceNames, RecordChangedByACopyThatKnowsNoNames_ItsChoiceStands)
{
    TempDir dir;
    const std::string file = dir.file("site.cvp");
    Model::ProjectSession session({ { "Midnight", "Plain" }, { "Arial" } });
    session.fields().templateName = 1;
    session.save(file);
    // An older copy of the program chose Midnight: it rewrote the record's position only.
    std::string record = readBytes(file);
    record[1] = '\0';
    writeBytes(file, record);

    Model::ProjectSession later({ { "Midnight", "Plain" }, { "Arial" } });
    EXPECT_TRUE(later.open(file).empty());
    EXPECT_EQ(later.fields().templateName, 0u) << "the name saved before must not undo it";
    later.save(file);
    EXPECT_EQ(readBytes(dir.file("site.cvp.settings")),
        "[choices]\ntemplate=Midnight\ntemplatePosition=0\nfontFamily=Arial\n"
        "fontFamilyPosition=0\n");
}

TEST(RecoveryStore, SnapshotsOfEndedProgramsAreOfferedAndRemovedOnSave)
{
    TempDir state;
    const std::string previousState
        = std::getenv("XDG_STATE_HOME") ? std::getenv("XDG_STATE_HOME") : "";
    ::setenv("XDG_STATE_HOME", state.path().c_str(), 1);
    {
        // A program that is gone (no process has this id) left its snapshot.
        Model::RecoveryStore gone(999999999);
        gone.write("left behind");
        gone.flush();
    }
    Model::RecoveryStore mine(static_cast<int>(::getpid()));
    mine.write("mine");
    mine.flush();
    EXPECT_EQ(readBytes(mine.snapshotPath()), "mine");
    EXPECT_EQ(mine.leftSnapshot(), state.file("corvanta/recovery/999999999.snapshot"));
    EXPECT_EQ(readBytes(*mine.leftSnapshot()), "left behind");
    mine.remove();
    EXPECT_FALSE(std::filesystem::exists(mine.snapshotPath()));
    ::setenv("XDG_STATE_HOME", previousState.c_str(), 1);
}

TEST(RecoveryStore, SnapshotsAreForTheUserAlone_NeverInASharedFolder)
{
    TempDir state;
    const auto variable = [](const char *name) {
        const char *value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    const std::optional<std::string> previousState = variable("XDG_STATE_HOME"),
                                     previousHome = variable("HOME");
    ::setenv("XDG_STATE_HOME", state.file("new").c_str(), 1);
    const auto permissions = [](const std::string &path) {
        struct stat info
        {
        };
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return std::to_string(info.st_mode & 07777) + (info.st_uid == ::geteuid() ? " mine" : "");
    };
    {
        Model::RecoveryStore store(static_cast<int>(::getpid()));
        store.write("unsaved");
        store.flush();
        EXPECT_EQ(permissions(store.snapshotPath()), std::to_string(0600) + " mine");
        EXPECT_EQ(permissions(store.directory()), std::to_string(0700) + " mine");
        // A folder that others may enter is closed before the next snapshot goes in.
        ::chmod(store.directory().c_str(), 0755);
        store.write("unsaved again");
        store.flush();
        EXPECT_EQ(permissions(store.directory()), std::to_string(0700) + " mine");
        store.remove();
    }

    ::unsetenv("XDG_STATE_HOME");
    ::setenv("HOME", "/home/a/", 1);
    EXPECT_EQ(Platform::userFolder(Platform::UserFolder::State), "/home/a/.local/state");
    ::setenv("XDG_CACHE_HOME", "relative/cache", 1);
    EXPECT_EQ(Platform::userFolder(Platform::UserFolder::Cache), "/home/a/.cache");
    ::unsetenv("XDG_CACHE_HOME");
    ::unsetenv("HOME");
    EXPECT_EQ(Platform::userFolder(Platform::UserFolder::State), std::nullopt);
    {
        Model::RecoveryStore none(static_cast<int>(::getpid()));
        EXPECT_FALSE(none.available());
        none.write("unsaved");
        none.flush();
        EXPECT_EQ(none.leftSnapshot(), std::nullopt);
        EXPECT_FALSE(std::filesystem::exists(
            "/tmp/.local/state/corvanta/recovery/" + std::to_string(::getpid()) + ".snapshot"));
    }
    for (const auto &[name, value] :
        { std::pair { "XDG_STATE_HOME", previousState }, std::pair { "HOME", previousHome } }) {
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
}

TEST(RecentProjects, NewestFirstEachOnceAtMostEight)
{
    Model::RecentProjects recent({ "/a.cvp", "", "/b.cvp", "/a.cvp" });
    EXPECT_EQ(recent.paths(), std::vector<std::string>({ "/a.cvp", "/b.cvp" }));
    recent.add("/b.cvp");
    for (int i = 1; i <= 7; ++i)
        recent.add("/" + std::to_string(i) + ".cvp");
    EXPECT_EQ(recent.paths().size(), 8u);
    EXPECT_EQ(recent.paths().front(), "/7.cvp");
    EXPECT_EQ(recent.paths().back(), "/b.cvp") << "/a.cvp was the oldest";
    recent.remove("/3.cvp");
    EXPECT_EQ(recent.paths().size(), 7u);
}

} // namespace
} // namespace Testing
