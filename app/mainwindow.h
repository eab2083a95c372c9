#pragma once

#include "app/companionwindows.h"
#include "app/organiser.h"
#include "app/programlists.h"
#include "platform/dialogs.h"
#include "project/projectsession.h"

#include <QMainWindow>

#include <functional>
#include <optional>
#include <string>

class QMenu;

namespace Widgets {
class EditCommands;
}

namespace App {

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
    /// The sidebar's and the View menu's choice of a pane.
    void choosePane(OrganiserPane pane);

    // Commands.
    void newProject();
    /// Brings back the project that the last New replaced, while nothing has changed since.
    void undoNewProject();
    void openProject();
    /// Save: writes the project to its file without a question; a project never saved asks
    /// where, as Save As does.
    void saveProject();
    /// Save As...: asks where, offering a project never saved a folder of its own, and
    /// refuses a folder that holds another project.
    void saveProjectAs();
    /// Saves as Save (or Save As when `askWhere`) does; true when the project is now saved in
    /// its file, false when the user cancelled or the save failed (the error was shown).
    bool save(bool askWhere);
    void publishHtml();
    void exitProgram();
    void uploadWebsite(); ///< Tools > Upload Website
    void checkForUpdates();
    /// Tools > Check Site: the Check Site window with a fresh check of the open project.
    void checkSite();
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
    /// Shows the project's values in every pane (after New, Open and a restore).
    void showProject();
    /// File > Reopen: the last eight projects opened or saved (kept in the settings).
    void fillReopenMenu(QMenu *menu);
    /// "&Preview Selected Page": the page at `curitem` as publishing would write it.
    void previewSelectedPage();
    /// Renders the site as publishing would into the preview folder (never the publish
    /// directory) and opens the page in the desktop's browser.
    void previewPage(Model::PageId page);

signals:
    /// The user confirmed leaving the program.
    void programEnds();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void createOrganiser();
    void createMenus();

    bool confirmExit();
    /// Before unsaved work would be replaced or left (`leaving`: "exiting Corvanta"): Save,
    /// Don't Save or Cancel. True when the command may go on: the work was saved, or the user
    /// chose not to save it. Without unsaved changes it asks nothing and gives true.
    bool settleUnsavedWork(const std::string &leaving);
    /// The Save As dialog, until a name is chosen whose folder holds no other project;
    /// nothing when cancelled or the name is blank.
    std::optional<std::string> chooseSaveName();
    /// Opens a project file as Open Project does once a name is chosen.
    void openProjectFile(const std::string &path);
    void reopenProject(const std::string &path);
    void rememberRecent(const std::string &path);
    void openHelp(const char *relativePath);
    /// Runs a command inside the windows' error boundary: any failure ends in the error box.
    void runCommand(const std::function<void()> &command);

    Platform::Dialogs &m_dialogs;
    Model::ProjectSession &m_session;
    std::string m_homeDir;
    CompanionWindows m_windows;
    bool m_splashPending = true;
    bool m_exitConfirmed = false;

    OrganiserArea *m_organiser = nullptr;
    HintStatusBar *m_statusBar = nullptr;
    Widgets::EditCommands *m_editCommands = nullptr;
    QMenu *m_contextMenu = nullptr;
};

} // namespace App
