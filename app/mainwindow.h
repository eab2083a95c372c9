#pragma once

#include "app/companionwindows.h"
#include "platform/dialogs.h"
#include "project/pageselection.h"
#include "project/project.h"

#include <QMainWindow>

#include <array>
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
    /// Creates the window for a program started in `homeDir`: the font and template lists are
    /// built and the project set to its start-up values.
    MainWindow(Platform::Dialogs &dialogs, const std::string &homeDir, QWidget *parent = nullptr);
    ~MainWindow() override;

    /// Plugs in the other windows once they exist; until then their commands do nothing.
    void setCompanionWindows(CompanionWindows windows);

    const Model::Project &project() const { return m_project; }
    const Model::PageSelection &selection() const { return m_selection; }
    const Model::ChoiceLists &lists() const { return m_lists; }
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
    void createProjectAndLists();
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
    /// Copies the page editor's texts into the project (before the bodies are read).
    void collectPageBodies();
    /// Hands the page editor the bodies that changed since `before` (after Open and New).
    void distributePageBodies(const std::array<std::string, Model::PageCount> &before);

    Platform::Dialogs &m_dialogs;
    std::string m_homeDir;
    Model::ChoiceLists m_lists;
    Model::Project m_project;
    Model::PageSelection m_selection { m_project };
    CompanionWindows m_windows;
    std::string m_lastSaveName;
    std::string m_lastOpenName;
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

} // namespace App
