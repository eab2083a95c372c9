// Saving as a site owner expects it: Save writes to the project's file, Save As asks, a new
// project gets a folder of its own, and leaving unsaved work offers to save it first.

#include "tests/app/mainwindowfixture.h"

#include "project/projectfiles.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <filesystem>

namespace Testing {
namespace {

using Platform::SaveChoice;

class SavingTest : public MainWindowTest
{
protected:
    void typeTitle(const char *title)
    {
        auto *box = control<QLineEdit>("Edit2");
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, QString::fromLatin1(title));
    }
    /// The site title stored in a project file.
    std::string storedTitle(const std::string &file)
    {
        Model::Project project = Model::DefaultProject(session->lists());
        Model::PageSelection selection(project);
        Model::ReadProjectRecord(file, selection, session->lists());
        return project.siteTitle;
    }
    std::vector<Asked::Kind> kinds()
    {
        std::vector<Asked::Kind> result;
        for (const Asked &asked : dialogs.asked())
            result.push_back(asked.kind);
        return result;
    }

    const TemporaryHome user;
};

TEST_F(SavingTest, FirstSaveProposesAFolderOfItsOwn_ThenSaveWritesWithoutAQuestion_SaveAsAsks)
{
    typeTitle("Rosie's Bakery");
    const std::string proposed = user.documents() + "/Rosies Bakery/Rosies Bakery.cvp";
    dialogs.answerFile(proposed);
    press(Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.asked()[0].fileDialog.initialPath, proposed);
    EXPECT_EQ(dialogs.asked()[0].fileDialog.title, "Save Project");
    EXPECT_EQ(storedTitle(proposed), "Rosie's Bakery");
    EXPECT_TRUE(std::filesystem::exists(user.documents() + "/Rosies Bakery/14.dat"));

    // Save, by key and by the Finish pane's button, asks nothing once there is a file.
    typeTitle("Rosie's Cakes");
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(storedTitle(proposed), "Rosie's Cakes");
    typeTitle("Rosie's Bread");
    press(Qt::Key_F9);
    click(control<QAbstractButton>("finishSaveButton"));
    EXPECT_EQ(storedTitle(proposed), "Rosie's Bread");
    EXPECT_EQ(dialogs.asked().size(), 1u);
    EXPECT_FALSE(session->isModified());

    // Save As asks, starting at the project's file, and the project lives on in the new one.
    std::filesystem::create_directory(home.file("copy"));
    dialogs.answerFile(home.file("copy/bread.cvp"));
    press(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(dialogs.asked().size(), 2u);
    EXPECT_EQ(dialogs.asked()[1].fileDialog.initialPath, proposed);
    EXPECT_EQ(session->fileName(), home.file("copy/bread.cvp"));
    EXPECT_EQ(storedTitle(home.file("copy/bread.cvp")), "Rosie's Bread");
}

TEST_F(SavingTest, FolderOfAnotherProject_IsRefusedAndAFolderOfItsOwnOffered)
{
    // A folder already taken proposes the next free name.
    Model::Project other = Model::DefaultProject(session->lists());
    other.pageBody[0] = "the other project's home page";
    std::filesystem::create_directories(user.documents() + "/My Website");
    Model::WriteProjectFiles(other, user.documents() + "/My Website/My Website.cvp");
    std::filesystem::create_directory(home.file("shared"));
    Model::WriteProjectFiles(other, home.file("shared/other.cvp"));

    dialogs.answerFile(home.file("shared/mine.cvp"));
    dialogs.answerFile(home.file("shared/My Website/My Website.cvp"));
    choose("SaveProject1");
    ASSERT_EQ(kinds(),
        std::vector<Asked::Kind>(
            { Asked::Kind::ChooseFile, Asked::Kind::Notify, Asked::Kind::ChooseFile }));
    EXPECT_EQ(dialogs.asked()[0].fileDialog.initialPath,
        user.documents() + "/My Website 2/My Website 2.cvp");
    const Platform::Message &refusal = dialogs.asked()[1].message;
    EXPECT_EQ(refusal.title, "Save Project");
    EXPECT_EQ(refusal.text,
        "The folder " + home.file("shared")
            + " already holds the project other.cvp, whose pages this project's pages would "
              "overwrite.\nPlease save this project in a folder of its own.");
    EXPECT_EQ(refusal.icon, Platform::MessageIcon::Warning);
    EXPECT_EQ(
        dialogs.asked()[2].fileDialog.initialPath, home.file("shared/My Website/My Website.cvp"));
    EXPECT_FALSE(std::filesystem::exists(home.file("shared/mine.cvp")));
    EXPECT_EQ(readBytes(home.file("shared/1.dat")), "the other project's home page");
    EXPECT_EQ(session->fileName(), home.file("shared/My Website/My Website.cvp"));
}

TEST_F(SavingTest, LeavingUnsavedWork_OffersSaveDontSaveAndCancel)
{
    QSignalSpy ends(window.get(), &App::MainWindow::programEnds);
    typeTitle("Draft");

    // Cancel keeps everything; Save with no file yet asks where, then New goes on.
    dialogs.answerSave(SaveChoice::Cancel);
    press(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(window->isVisible());
    dialogs.answerSave(SaveChoice::Save);
    dialogs.answerFile(home.file("draft/draft.cvp"));
    choose("New1");
    EXPECT_EQ(storedTitle(home.file("draft/draft.cvp")), "Draft");
    EXPECT_EQ(session->project().siteTitle, "");
    const Platform::Message &question = dialogs.asked()[0].message;
    EXPECT_EQ(question.title, "Corvanta");
    EXPECT_EQ(question.text,
        "Do you want to save this new project before exiting Corvanta?\n"
        "If you don't save, your changes will be lost.");
    EXPECT_EQ(question.icon, Platform::MessageIcon::Warning);
    EXPECT_EQ(dialogs.asked()[1].message.text,
        "Do you want to save this new project before starting a new project?\n"
        "If you don't save, your changes will be lost.");

    // Don't Save leaves the changes behind; a cancelled save keeps the project open.
    openFrom(home.file("draft/draft.cvp"));
    typeTitle("Thrown away");
    dialogs.answerSave(SaveChoice::DontSave);
    openFrom(home.file("draft/draft.cvp"));
    EXPECT_EQ(session->project().siteTitle, "Draft");
    EXPECT_EQ(dialogs.asked().back().kind, Asked::Kind::ChooseFile);
    EXPECT_EQ(dialogs.asked()[dialogs.asked().size() - 2].message.text,
        "Do you want to save the changes to draft.cvp before opening another project?\n"
        "If you don't save, your changes will be lost.");
    std::filesystem::permissions(home.file("draft/draft.cvp"), std::filesystem::perms::owner_write,
        std::filesystem::perm_options::remove);
    typeTitle("Kept");
    dialogs.answerSave(SaveChoice::Save);
    window->close();
    EXPECT_TRUE(window->isVisible()) << "a failed save keeps the window open";
    EXPECT_EQ(dialogs.notices().back().text, "File access denied.");
    std::filesystem::permissions(home.file("draft/draft.cvp"), std::filesystem::perms::owner_write,
        std::filesystem::perm_options::add);

    // Save saves to the file and the program ends; without changes the plain question stays.
    dialogs.answerSave(SaveChoice::Save);
    choose("Exit1");
    EXPECT_EQ(storedTitle(home.file("draft/draft.cvp")), "Kept");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(ends.count(), 1);
    dialogs.clear();
    window->show();
    dialogs.answerConfirm(false);
    dialogs.answerConfirm(true);
    choose("New1");
    choose("Exit1");
    ASSERT_EQ(dialogs.asked().size(), 2u);
    EXPECT_EQ(dialogs.asked()[0].message.text,
        "Are you sure you want to erase all fields and start a new project?");
    EXPECT_EQ(dialogs.asked()[1].message.text, "Are you sure you want to exit Corvanta?");
    EXPECT_EQ(ends.count(), 2);
}

TEST_F(SavingTest, KnownShortcuts_WorkInTheFieldsAndShowInTheMenus)
{
    auto *title = control<QLineEdit>("Edit2");
    typeTitle("Bakery");
    press(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(title->selectedText(), "Bakery");
    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(title->text(), "");
    press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(title->text(), "Bakery");
    press(Qt::Key_Z, Qt::ControlModifier);
    press(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(title->text(), "Bakery");
    // The Edit menu's commands do the same where the field's own keys do not reach.
    control<QAction>("Undo1")->trigger();
    EXPECT_EQ(title->text(), "");
    control<QAction>("Redo1")->trigger();
    EXPECT_EQ(title->text(), "Bakery");

    const auto shown = [this](const char *name) {
        return control<QAction>(name)->shortcut().toString().toStdString();
    };
    EXPECT_EQ(shown("SaveProject1"), "Ctrl+S");
    EXPECT_EQ(shown("SaveProjectAs1"), "Ctrl+Shift+S");
    EXPECT_EQ(shown("Exit1"), "Ctrl+Q");
    EXPECT_EQ(shown("Undo1"), "Ctrl+Z");
    EXPECT_EQ(shown("Redo1"), "Ctrl+Shift+Z");
    EXPECT_EQ(shown("SelectAll1"), "Ctrl+A");
    EXPECT_EQ(control<QMenu>("Edit1")->actions()[1], control<QAction>("Redo1"));
    // The design's keys still work beside them.
    EXPECT_EQ(control<QAction>("Exit1")->shortcuts().size(), 2);
    dialogs.answerSave(SaveChoice::Cancel);
    press(Qt::Key_X, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(kinds(), std::vector<Asked::Kind>({ Asked::Kind::AskToSave }));
}

} // namespace
} // namespace Testing
