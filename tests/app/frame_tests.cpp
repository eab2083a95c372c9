#include "tests/app/mainwindowfixture.h"

#include "platform/maker.h"
#include "project/project.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QEnterEvent>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

namespace Testing {
namespace {

using App::OrganiserPane;
using Platform::Message;

class FrameTest : public MainWindowTest
{
protected:
    std::vector<std::string> openedDocuments() const
    {
        std::vector<std::string> targets;
        for (const Asked &asked : dialogs.asked()) {
            if (asked.kind == Asked::Kind::OpenDocument)
                targets.push_back(asked.target);
        }
        return targets;
    }
    QString statusText() const { return window->statusBar()->currentMessage(); }
    void pointAt(QWidget *widget)
    {
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(widget, &enter);
    }
    void leave(QWidget *widget)
    {
        QEvent leaving(QEvent::Leave);
        QApplication::sendEvent(widget, &leaving);
    }
};

TEST_F(FrameTest, StartUp_ShowsSiteInfoWithTheDefaultProjectAndTheHomeDirectory)
{
    EXPECT_EQ(window->windowTitle(), "Corvanta v1.0");
    EXPECT_EQ(window->centralWidget()->width(), 604);
    EXPECT_EQ(window->centralWidget()->height() + window->statusBar()->height(), 405);
    EXPECT_EQ(window->currentPane(), OrganiserPane::SiteInfo);
    EXPECT_EQ(window->heading(), "Website Organiser :: Site Info");
    EXPECT_EQ(control<QLineEdit>("homedir")->text().toStdString(), home.path());

    // Templates in the order of their names without regard to case; other files ignored.
    auto *templates = control<QComboBox>("ComboBox10");
    ASSERT_EQ(templates->count(), 2);
    EXPECT_EQ(templates->itemText(0), "alpha");
    EXPECT_EQ(templates->itemText(1), "Beta");
    EXPECT_EQ(templates->currentIndex(), 0);

    // The font list is filled when the Options pane first shows it, on the project's font.
    auto *fonts = control<QComboBox>("fontlist");
    EXPECT_EQ(fonts->count(), 0);
    press(Qt::Key_F6);
    EXPECT_EQ(fonts->currentIndex(), 0);
    EXPECT_EQ(fonts->itemText(1), "\"courier new\", geneva, arial");
    EXPECT_NE(fonts->findText("Default"), -1);

    EXPECT_EQ(session->project(), Model::DefaultProject(session->lists()));
    EXPECT_EQ(control<QComboBox>("ComboBox5")->currentText(), "12");
    EXPECT_EQ(control<QLabel>("activeColorText")->text(), "#FF0000");
    EXPECT_EQ(shownList(), std::vector<std::string>({ "Home" }));
    EXPECT_EQ(control<QLineEdit>("curitem")->text(), "0");
}

TEST_F(FrameTest, FunctionKeys_SwitchPanesAndHeadings)
{
    const struct
    {
        Qt::Key key;
        OrganiserPane pane;
        const char *heading;
    } steps[] = {
        { Qt::Key_F6, OrganiserPane::Options, "Website Organiser :: Options" },
        { Qt::Key_F7, OrganiserPane::Pages, "Website Organiser :: Pages" },
        { Qt::Key_F8, OrganiserPane::EditPages, "Website Organiser :: Edit Pages" },
        { Qt::Key_F9, OrganiserPane::Finish, "Website Organiser :: Finish" },
        { Qt::Key_F5, OrganiserPane::SiteInfo, "Website Organiser :: Site Info" },
    };
    for (const auto &step : steps) {
        press(step.key);
        EXPECT_EQ(window->currentPane(), step.pane) << step.heading;
        EXPECT_EQ(window->heading(), step.heading);
    }
}

TEST_F(FrameTest, Sidebar_ShowsPanesInItsOwnOrder)
{
    const struct
    {
        const char *button;
        OrganiserPane pane;
    } buttons[] = {
        { "SpeedButton1", OrganiserPane::SiteInfo },
        { "SpeedButton2", OrganiserPane::Options },
        { "SpeedButton3", OrganiserPane::Pages },
        { "SpeedButton4", OrganiserPane::EditPages },
        { "SpeedButton5", OrganiserPane::Finish },
    };
    press(Qt::Key_F7);
    int previousTop = 0;
    for (const auto &entry : buttons) {
        auto *button = control<QToolButton>(entry.button);
        click(button);
        EXPECT_EQ(window->currentPane(), entry.pane) << entry.button;
        EXPECT_EQ(button->size(), QSize(49, 41));
        if (entry.pane != OrganiserPane::SiteInfo) {
            EXPECT_EQ(button->y() - previousTop, 72) << entry.button;
        }
        previousTop = button->y();
    }
}

TEST_F(FrameTest, Hints_ShowFullWidthWhilePointedAtAndGiveWayToThePanels)
{
    auto *helpPanel = control<QLabel>("statusPanel1");
    EXPECT_EQ(helpPanel->text(), "Press F1 For Help");
    EXPECT_TRUE(helpPanel->isVisible());

    auto *pages = control<QToolButton>("SpeedButton3");
    pointAt(pages);
    EXPECT_EQ(statusText(), "Current pages in project");
    EXPECT_FALSE(helpPanel->isVisible());
    EXPECT_EQ(pages->toolTip(), "Current pages in project");

    leave(pages);
    pointAt(control<QWidget>("sidebar"));
    EXPECT_EQ(statusText(), "");
    EXPECT_TRUE(helpPanel->isVisible());

    // A control without a hint of its own shows that of the control around it.
    auto *logo = control<QToolButton>("logoButton");
    pointAt(logo);
    EXPECT_EQ(statusText(), "Open logo image");
    pointAt(control<QLineEdit>("Edit2"));
    EXPECT_EQ(statusText(), "Enter the title of your website, e.g. your company name");
}

TEST_F(FrameTest, Hints_MenuItemsShowTheirsWhileHighlighted)
{
    // Items that apply can be highlighted: a selected text makes Copy apply.
    auto *title = control<QLineEdit>("Edit2");
    title->setFocus();
    QTest::keyClicks(title, "abc");
    title->selectAll();
    auto *editMenu = control<QMenu>("Edit1");
    window->menuBar()->setActiveAction(editMenu->menuAction());
    ASSERT_TRUE(QTest::qWaitFor([&] { return editMenu->isVisible(); }));
    editMenu->setActiveAction(control<QAction>("Copy1"));
    EXPECT_EQ(statusText(), "Copy");
    editMenu->setActiveAction(control<QAction>("SelectAll1"));
    ASSERT_EQ(editMenu->activeAction(), control<QAction>("SelectAll1"));
    EXPECT_EQ(statusText(), "");
    EXPECT_TRUE(control<QLabel>("statusPanel1")->isVisible());
    editMenu->close();
}

TEST_F(FrameTest, Exit_CancelKeepsTheProgramAndOkEndsItWithOneQuestion)
{
    QSignalSpy ends(window.get(), &App::MainWindow::programEnds);
    dialogs.answerConfirm(false);
    choose("Exit1");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(ends.count(), 0);

    dialogs.answerConfirm(true);
    press(Qt::Key_X, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(ends.count(), 1);

    ASSERT_EQ(dialogs.asked().size(), 2u);
    for (const Asked &asked : dialogs.asked()) {
        EXPECT_EQ(asked.kind, Asked::Kind::Confirm);
        EXPECT_EQ(asked.message.title, "Confirm");
        EXPECT_EQ(asked.message.text, "Are you sure you want to exit Corvanta?");
        EXPECT_EQ(asked.message.icon, Platform::MessageIcon::Question);
        EXPECT_EQ(asked.message.buttons, Platform::MessageButtons::OkCancel);
    }
}

TEST_F(FrameTest, CloseButton_AsksAndCancelKeepsTheWindowOpen)
{
    dialogs.answerConfirm(false);
    window->close();
    EXPECT_TRUE(window->isVisible());

    dialogs.answerConfirm(true);
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(dialogs.asked().size(), 2u);
}

TEST_F(FrameTest, HelpCommands_OpenTheirDocumentsBelowTheHomeDirectory)
{
    press(Qt::Key_F9);
    press(Qt::Key_F1); // the index, whatever pane shows
    click(control<QAbstractButton>("finishHelp"));
    press(Qt::Key_F2);
    press(Qt::Key_F5);
    click(control<QAbstractButton>("siteInfoHelp"));
    press(Qt::Key_F7);
    click(control<QAbstractButton>("pagesHelp"));
    press(Qt::Key_F8);
    click(control<QAbstractButton>("editPagesHelp"));
    const std::string &h = home.path();
    EXPECT_EQ(openedDocuments(),
        std::vector<std::string>({ h + "/help/index.html", h + "/help/con5.html", h + "/readme.txt",
            h + "/help/con1.html", h + "/help/con3.html", h + "/help/con4.html" }));
}

TEST_F(FrameTest, HelpCommands_EveryOptionsTabOpensTheSameTopic)
{
    press(Qt::Key_F6);
    auto *tabs = control<QTabWidget>("optionsTabs");
    ASSERT_EQ(tabs->count(), 5);
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        click(control<QAbstractButton>(("optionsHelp" + std::to_string(tab + 1)).c_str()));
    }
    EXPECT_EQ(openedDocuments(), std::vector<std::string>(5, home.path() + "/help/con2.html"));
}

TEST_F(FrameTest, WebCommands_OpenTheMakersAddresses)
{
    choose("Website1");
    choose("Email1");
    choose("Support1");
    EXPECT_EQ(openedDocuments(),
        std::vector<std::string>(
            { Platform::Maker::WebSite, std::string("mailto:") + Platform::Maker::EmailAddress,
                Platform::Maker::SupportPage }));
}

TEST_F(FrameTest, HelpAtTheRoot_JoinsThePathsAsTheyStand)
{
    ScriptedDialogs rootDialogs;
    App::MainWindow atRoot(rootDialogs, *session, "/");
    atRoot.showHelp();
    ASSERT_EQ(rootDialogs.asked().size(), 1u);
    EXPECT_EQ(rootDialogs.asked()[0].target, "//help/index.html");
}

TEST_F(FrameTest, EditCommands_AreEnabledOnlyWhenTheyApplyToTheFocusedText)
{
    auto *title = control<QLineEdit>("Edit2");
    auto *undo = control<QAction>("Undo1");
    auto *cut = control<QAction>("Cut1");
    auto *copy = control<QAction>("Copy1");
    auto *paste = control<QAction>("Paste1");
    auto *selectAll = control<QAction>("SelectAll1");
    auto *remove = control<QAction>("Delete1");
    QGuiApplication::clipboard()->clear();

    title->setFocus();
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(cut->isEnabled());
    EXPECT_FALSE(copy->isEnabled());
    EXPECT_FALSE(paste->isEnabled());
    EXPECT_FALSE(selectAll->isEnabled());
    EXPECT_FALSE(remove->isEnabled());

    QTest::keyClicks(title, "abc");
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_TRUE(selectAll->isEnabled());
    EXPECT_FALSE(copy->isEnabled());

    // Del with nothing selected reaches the text as an ordinary key.
    title->setCursorPosition(0);
    press(Qt::Key_Delete);
    EXPECT_EQ(title->text(), "bc");

    selectAll->trigger();
    EXPECT_TRUE(cut->isEnabled());
    EXPECT_TRUE(copy->isEnabled());
    EXPECT_TRUE(remove->isEnabled());
    copy->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "bc");
    EXPECT_TRUE(paste->isEnabled());
    remove->trigger();
    EXPECT_EQ(title->text(), "");
    EXPECT_EQ(session->project().siteTitle, "");

    // The read-only logo box may be copied from, never changed.
    control<QLineEdit>("Edit6")->setFocus();
    EXPECT_FALSE(paste->isEnabled());
    // A list is no text: nothing applies.
    control<QComboBox>("ComboBox10")->setFocus();
    EXPECT_FALSE(selectAll->isEnabled());
    EXPECT_FALSE(paste->isEnabled());
}

TEST_F(FrameTest, EveryReachableControl_HasAnAccessibleName)
{
    const QStringList hiddenByDesign = { "homedir", "curitem", "CheckBox28" };
    int checked = 0;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        const bool control = qobject_cast<QAbstractButton *>(widget)
            || qobject_cast<QLineEdit *>(widget) || qobject_cast<QComboBox *>(widget)
            || qobject_cast<QListWidget *>(widget);
        // Qt's own helpers ("qt_menubar_ext_button") are named by Qt.
        if (!control || widget->objectName().isEmpty()
            || widget->objectName().startsWith(QLatin1String("qt_"))
            || hiddenByDesign.contains(widget->objectName()))
            continue;
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(accessible, nullptr);
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
            << widget->objectName().toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 60);
}

TEST_F(FrameTest, SiteTexts_TakeAtMost255CharactersAndKeepWhatWindows1252Lacks)
{
    auto *title = control<QLineEdit>("Edit2");
    title->setFocus();
    QTest::keyClicks(title, QString(300, 'x'));
    EXPECT_EQ(session->project().siteTitle, std::string(255, 'x'));

    auto *slogan = control<QLineEdit>("Edit7");
    slogan->setFocus();
    // Characters beyond the keyboard's come in as an input method's text.
    QInputMethodEvent typed;
    typed.setCommitString(QString::fromUtf8("Caf\u00e9 \u4e2d"));
    QApplication::sendEvent(slogan, &typed);
    EXPECT_EQ(session->project().slogan, "Caf\xe9 &#20013;");
}

} // namespace
} // namespace Testing
