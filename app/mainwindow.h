#pragma once

#include "app/companionwindows.h"
#include "platform/dialogs.h"
#include "project/projectsession.h"

#include <QMainWindow>

#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QMenu;
class QStackedWidget;
class QToolButton;

namespace Widgets {
class EditCommands;
}

namespace App {

class EditPagesPane;
class FinishPane;
class OptionsPane;
class PagesPane;
class SiteInfoPane;

/// The organiser's five panes, in the order they are stacked.
enum class OrganiserPane { SiteInfo, Options, Pages, Finish, EditPages };

/// The main window: the organiser in which the user fills in a project pane by pane and from
/// which every command starts. It holds the one project and keeps its panes' controls in step
/// with it.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    /// Creates the window over the program's project session, for a program started in
    /// `homeDir`.
    MainWindow(Platform::Dialogs &dialogs, Model::ProjectSession &session,
        const std::string &homeDir, QWidget *parent = nullptr);
    ~MainWindow() override;

    /// Plugs in the other windows once they exist; until then their commands do nothing.
    void setCompanionWindows(CompanionWindows windows);

    Model::ProjectSession &session() { return m_session; }
    const std::string &homeDir() const { return m_homeDir; }
    OrganiserPane currentPane() const;
    QString heading() const;

    /// Makes a pane the visible one and sets its heading.
    void showPane(OrganiserPane pane);

    // Commands.
    void newProject();
    void openProject();
    void saveProject();
    void publishHtml();
    void exitProgram();
    void checkForUpdates();
    void showHelp();
    void showReadme();
    void openMakerWebsite();
    void emailMaker();
    void openSupportPage();
    void showAbout();
    /// The sidebar's "Edit Pages" and View, "Edit Pages": the pane, and `curitem` back to 0.
    void enterEditPages();
    /// "&Edit Selected Page": opens the page at `curitem` in the page editor.
    void editSelectedPage();

signals:
    /// The user confirmed leaving the program.
    void programEnds();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void createSidebar(QWidget *central);
    void createHeadingAndPanes(QWidget *central);
    void createMenus();
    void createStatusBar();

    /// Shows a hint in the status bar as one full-width text; an empty hint brings back the
    /// two panels.
    void showHint(const QString &hint);
    /// The hint of a control, or of the nearest control around it that has one.
    QString hintAt(QWidget *control) const;

    bool confirmExit();
    void openHelp(const char *relativePath);
    /// Runs a command inside the windows' error boundary: any failure ends in the error box.
    void runCommand(const std::function<void()> &command);
    /// Shows the project's values in every pane (after New and Open).
    void showProject();

    Platform::Dialogs &m_dialogs;
    Model::ProjectSession &m_session;
    std::string m_homeDir;
    CompanionWindows m_windows;
    bool m_splashPending = true;
    bool m_exitConfirmed = false;

    QLineEdit *m_homedirBox = nullptr;
    QLabel *m_heading = nullptr;
    QStackedWidget *m_panes = nullptr;
    SiteInfoPane *m_siteInfo = nullptr;
    OptionsPane *m_options = nullptr;
    PagesPane *m_pages = nullptr;
    FinishPane *m_finish = nullptr;
    EditPagesPane *m_editPages = nullptr;
    Widgets::EditCommands *m_editCommands = nullptr;
    QMenu *m_contextMenu = nullptr;
    QLabel *m_helpPanel = nullptr;
    QLabel *m_emptyPanel = nullptr;
};

/// The choice lists of a program started in `homeDir`: the installed templates and the font
/// families, fixed from start-up to exit.
Model::ChoiceLists programChoiceLists(const std::string &homeDir);

} // namespace App
