// Everyday use as a site owner: the logo and its preview, boxes that say what they want, the
// link tool's own pages, Check Site beside the main window, and the recovery question.

#include "tests/app/mainwindowfixture.h"

#include "app/programwindows.h"
#include "app/sessionguard.h"
#include "editor/pageeditor.h"
#include "editor/pagetext.h"
#include "publish/sitecheckwindow.h"

#include <QDateTime>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace Testing {
namespace {

/// The main window with the program's other windows plugged in as the program does it.
class EverydayUse : public MainWindowTest
{
protected:
    EverydayUse() { window->setCompanionWindows(windows.commands()); }

    std::vector<std::string> checkList()
    {
        std::vector<std::string> lines;
        auto *list = windows.siteCheckWindow().findChild<QListWidget *>("siteCheckList");
        lines.reserve(static_cast<std::size_t>(list->count()));
        for (int row = 0; row < list->count(); ++row)
            lines.push_back(list->item(row)->text().toStdString());
        return lines;
    }

    App::ProgramWindows windows { dialogs, *session, *window, home.path() };
};

/// Snapshots of ended programs go to a folder of this test's own.
class LeftSnapshot : public EverydayUse
{
protected:
    LeftSnapshot()
    {
        m_previousState = std::getenv("XDG_STATE_HOME") ? std::getenv("XDG_STATE_HOME") : "";
        ::setenv("XDG_STATE_HOME", state.path().c_str(), 1);
    }
    ~LeftSnapshot() override { ::setenv("XDG_STATE_HOME", m_previousState.c_str(), 1); }

    /// The snapshot an ended program left of `project`, last written at `changed`.
    std::string leave(Model::ProjectSession &project, const QDateTime &changed)
    {
        std::filesystem::create_directories(state.file("corvanta/recovery"));
        // A process number that no running program has.
        std::string path = state.file("corvanta/recovery/999999999.snapshot");
        writeBytes(path, project.recoverySnapshot());
        std::filesystem::last_write_time(path,
            std::filesystem::file_time_type::clock::now()
                + std::chrono::seconds(QDateTime::currentDateTime().secsTo(changed)));
        return path;
    }

    TempDir state;
    std::string m_previousState;
};

} // namespace

TEST_F(EverydayUse, SiteInfo_BoxesSayWhatTheyWant_TheChosenLogoShowsInAPreview)
{
    EXPECT_EQ(control<QLineEdit>("Edit5")->placeholderText(), "years, e.g. 2024-2026");
    for (const char *box : { "Edit2", "Edit3", "Edit4" })
        EXPECT_FALSE(control<QLineEdit>(box)->placeholderText().isEmpty()) << box;

    QImage logo(120, 60, QImage::Format_RGB32);
    logo.fill(Qt::red);
    ASSERT_TRUE(logo.save(QString::fromStdString(home.file("logo.png"))));
    dialogs.answerFile(home.file("logo.png"));
    click(control<QAbstractButton>("logoButton"));
    auto *preview = control<QLabel>("logoPreview");
    const QImage shown = preview->pixmap().toImage();
    ASSERT_FALSE(shown.isNull());
    EXPECT_EQ(shown.size(), QSize(32, 16)) << "scaled to fit, keeping its shape";
    EXPECT_EQ(shown.pixelColor(16, 8), QColor(Qt::red));
    EXPECT_EQ(preview->toolTip(), "The logo, 120 x 60 pixels");

    // Clearing it opens no file: Qt says nothing on the terminal.
    static std::vector<std::string> said;
    const QtMessageHandler before
        = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
              said.push_back(text.toStdString());
          });
    click(control<QAbstractButton>("logoClearButton"));
    qInstallMessageHandler(before);
    EXPECT_TRUE(preview->pixmap().isNull());
    EXPECT_EQ(said, std::vector<std::string> {});
}

TEST_F(EverydayUse, LinkTool_OffersTheTickedPagesBesideATypedAddress)
{
    Editor::PageEditor &editor = windows.pageEditor();
    session->fields().businessPages.fill(false);
    session->fields().personalPages.fill(false);
    session->fields().personalPages[0] = true; // Home
    session->fields().businessPages[5] = true; // FAQ
    dialogs.answerText("faq.html");
    dialogs.answerText("Questions");
    editor.selectPage(1);
    editor.runTool(Editor::ToolId::InsertLink);
    ASSERT_EQ(dialogs.asked().size(), 2u);
    EXPECT_EQ(dialogs.asked()[0].choices,
        (std::vector<std::string> { "Home (home.html) = home.html", "FAQ (faq.html) = faq.html" }));
    EXPECT_EQ(editor.pageText(1), "<a href=\"faq.html\">Questions</a>");

    // Other tools that ask for a file offer no pages.
    dialogs.clear();
    dialogs.answerText("");
    dialogs.answerText("");
    editor.runTool(Editor::ToolId::InsertImage);
    ASSERT_EQ(dialogs.asked().size(), 2u);
    EXPECT_TRUE(dialogs.asked()[0].choices.empty());
}

TEST_F(EverydayUse, CheckSite_StaysOpenAndChecksAgainWhenTheProjectIsSavedAndTheEditorCloses)
{
    session->fields().pageBody.fill("<p>Text</p>");
    windows.pageEditor().setPageText(1, "<p><img src=\"bread.jpg\" alt=\"Bread\"></p>");
    choose("CheckSite1");
    Publish::SiteCheckWindow &check = windows.siteCheckWindow();
    ASSERT_TRUE(check.isVisible());
    EXPECT_FALSE(check.isModal()) << "the main window stays usable";
    EXPECT_EQ(checkList(),
        std::vector<std::string> { "Home, line 1: picture \"bread.jpg\" cannot be found: the "
                                   "project has not been saved yet" });

    // Saved beside its picture: the list follows.
    std::filesystem::create_directory(home.file("bakery"));
    writeBytes(home.file("bakery/bread.jpg"), "jpeg");
    session->save(home.file("bakery/bakery.cvp"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return checkList().size() == 1 && checkList()[0].starts_with("Nothing found"); }));

    // A page mended in the editor, opened from the main window, is checked when it closes.
    QTimer::singleShot(0, &windows.pageEditor(), [&] {
        Editor::PageText *text = windows.pageEditor().pageControl(1);
        text->setFocus();
        QTest::keyClicks(text, "<a href=\"jobs.html\">Jobs</a>");
        windows.pageEditor().closeEditor();
    });
    windows.pageEditor().openOnPage(1);
    ASSERT_EQ(checkList().size(), 1u);
    EXPECT_NE(checkList()[0].find("jobs.html"), std::string::npos) << checkList()[0];
    check.close();
}

TEST_F(LeftSnapshot, RecoveryQuestion_NamesTheProjectAndWhen_EscapeKeepsDiscardRemoves)
{
    Model::ProjectSession left(session->lists());
    left.fields().siteTitle = "Rosie's Bakery";
    left.save(home.file("rosie.cvp"));
    left.fields().slogan = "Fresh every morning";
    const QDateTime changed = QDateTime::currentDateTime().addDays(-3);
    const std::string snapshot = leave(left, changed);
    Model::RecoveryStore store(static_cast<int>(::getpid()));

    dialogs.answerChoice(std::nullopt); // Escape
    EXPECT_FALSE(App::offerRecovery(dialogs, *session, store));
    ASSERT_EQ(dialogs.asked().size(), 1u);
    const Asked &asked = dialogs.asked()[0];
    EXPECT_EQ(asked.kind, Asked::Kind::Choice);
    EXPECT_EQ(asked.message.title, "Restore Unsaved Changes");
    EXPECT_EQ(asked.message.text,
        "Corvanta ended without saving the changes to " + home.file("rosie.cvp")
            + " (\"Rosie's Bakery\").\nThey were last changed on "
            + QLocale::c().toString(changed, "d MMMM yyyy 'at' HH:mm").toStdString()
            + ".\n\nRestore them as they were, or discard them?");
    EXPECT_EQ(asked.choices, (std::vector<std::string> { "&Restore", "&Discard" }));
    EXPECT_TRUE(std::filesystem::exists(snapshot)) << "kept for the next start";

    dialogs.clear();
    dialogs.answerChoice(1); // Discard
    EXPECT_FALSE(App::offerRecovery(dialogs, *session, store));
    EXPECT_FALSE(std::filesystem::exists(snapshot));
    EXPECT_EQ(session->fields().slogan, "");

    leave(left, QDateTime::currentDateTime());
    dialogs.clear();
    dialogs.answerChoice(0); // Restore
    EXPECT_TRUE(App::offerRecovery(dialogs, *session, store));
    EXPECT_EQ(session->fields().slogan, "Fresh every morning");
    EXPECT_TRUE(session->isModified());
}

TEST(RecoveryQuestion, AnUnsavedProjectAndChangesOfToday)
{
    const QDateTime now(QDate(2026, 12, 7), QTime(20, 15));
    EXPECT_EQ(App::recoveryQuestionText({}, {}, now.addSecs(-3600), now),
        "Corvanta ended without saving the changes to an unsaved project.\n"
        "They were last changed today at 19:15.\n\n"
        "Restore them as they were, or discard them?");
    EXPECT_NE(App::recoveryQuestionText({}, {}, now.addDays(-1), now).find("yesterday at 20:15"),
        std::string::npos);
}

} // namespace Testing
