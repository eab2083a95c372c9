// Saving as a site owner expects it: Save writes to the project's file, Save As asks, a new
// project gets a folder of its own, and leaving unsaved work offers to save it first.

#include "tests/app/mainwindowfixture.h"

#include "project/projectfiles.h"

#include <QAction>
#include <QLineEdit>
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
        control<QLineEdit>("Edit2")->setFocus();
        control<QLineEdit>("Edit2")->selectAll();
        QTest::keyClicks(control<QLineEdit>("Edit2"), QString::fromLatin1(title));
    }
    std::string storedTitle(const std::string &file)
    {
        Model::Project project = Model::DefaultProject(session->lists());
        Model::PageSelection selection(project);
        Model::ReadProjectRecord(file, selection, session->lists());
        return project.siteTitle;
    }
    const std::string &lastText() { return dialogs.asked().back().message.text; }

    const TemporaryHome user;
};

TEST_F(SavingTest, FirstSaveProposesAFolderOfItsOwn_ThenSaveAsksNothing_SaveAsAsks)
{
    typeTitle("Rosie's Bakery");
    const std::string proposed = user.documents() + "/Rosies Bakery/Rosies Bakery.cvp";
    dialogs.answerFile(proposed);
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(dialogs.asked().back().fileDialog.initialPath, proposed);
    typeTitle("Rosie's Cakes");
    press(Qt::Key_F9);
    click(control<QAbstractButton>("finishSaveButton"));
    EXPECT_EQ(storedTitle(proposed), "Rosie's Cakes");
    EXPECT_EQ(dialogs.asked().size(), 1u);

    // Save As into a folder that holds another project is refused, and a folder of its own
    // inside it offered.
    std::filesystem::create_directory(home.file("shared"));
    Model::WriteProjectFiles(Model::DefaultProject(session->lists()), home.file("shared/a.cvp"));
    dialogs.answerFile(home.file("shared/b.cvp"));
    dialogs.answerFile(home.file("shared/Rosies Cakes/Rosies Cakes.cvp"));
    press(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(dialogs.asked().size(), 4u);
    EXPECT_EQ(dialogs.asked()[1].fileDialog.initialPath, proposed);
    EXPECT_EQ(dialogs.asked()[2].message.text,
        "The folder " + home.file("shared")
            + " already holds the project a.cvp, whose pages this project's pages would "
              "overwrite.\nPlease save this project in a folder of its own.");
    EXPECT_EQ(dialogs.asked()[3].fileDialog.initialPath,
        home.file("shared/Rosies Cakes/Rosies Cakes.cvp"));
    EXPECT_FALSE(std::filesystem::exists(home.file("shared/b.cvp")));
    EXPECT_EQ(storedTitle(session->fileName()), "Rosie's Cakes");

    // The next new project is offered a folder beside the last one's.
    dialogs.answerConfirm(true);
    choose("New1");
    dialogs.answerFile(std::nullopt);
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(dialogs.asked().back().fileDialog.initialPath,
        home.file("shared/My Website/My Website.cvp"));
}

TEST_F(SavingTest, LeavingUnsavedWork_OffersSaveDontSaveAndCancel)
{
    typeTitle("Draft");
    dialogs.answerSave(SaveChoice::Cancel);
    press(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(lastText(),
        "Do you want to save this new project before exiting Corvanta?\n"
        "If you don't save, your changes will be lost.");
    // Save asks where a project never saved goes, then New goes on.
    dialogs.answerSave(SaveChoice::Save);
    dialogs.answerFile(home.file("draft/draft.cvp"));
    choose("New1");
    EXPECT_EQ(storedTitle(home.file("draft/draft.cvp")), "Draft");
    EXPECT_EQ(session->project().siteTitle, "");

    openFrom(home.file("draft/draft.cvp"));
    typeTitle("Thrown away");
    dialogs.answerSave(SaveChoice::DontSave);
    openFrom(home.file("draft/draft.cvp"));
    EXPECT_EQ(session->project().siteTitle, "Draft");
    EXPECT_EQ(dialogs.asked()[dialogs.asked().size() - 2].message.text,
        "Do you want to save the changes to draft.cvp before opening another project?\n"
        "If you don't save, your changes will be lost.");
}

TEST_F(SavingTest, KnownShortcuts_WorkInTheFieldsAndShowInTheMenus)
{
    typeTitle("Bakery");
    press(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(control<QLineEdit>("Edit2")->selectedText(), "Bakery");
    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(control<QLineEdit>("Edit2")->text(), "");
    control<QAction>("Redo1")->trigger();
    EXPECT_EQ(control<QLineEdit>("Edit2")->text(), "Bakery");
    const auto shown = [this](const char *name) {
        return control<QAction>(name)->shortcut().toString().toStdString();
    };
    EXPECT_EQ(shown("SaveProjectAs1"), "Ctrl+Shift+S");
    EXPECT_EQ(shown("Exit1"), "Ctrl+Q");
    EXPECT_EQ(shown("Undo1"), "Ctrl+Z");
    EXPECT_EQ(shown("Redo1"), "Ctrl+Shift+Z");
    EXPECT_EQ(shown("SelectAll1"), "Ctrl+A");
    // The design's Exit key still works beside Ctrl+Q.
    dialogs.answerSave(SaveChoice::Cancel);
    press(Qt::Key_X, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(dialogs.asked().size(), 1u);
}

} // namespace
} // namespace Testing
