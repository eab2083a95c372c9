#pragma once

#include "platform/dialogs.h"
#include "project/projectsession.h"

#include <QFrame>
#include <QStatusBar>

class QLabel;
class QStackedWidget;

namespace App {

class EditPagesPane;
class FinishPane;
class OptionsPane;
class PagesPane;
class SiteInfoPane;

/// The organiser's five panes, in the order they are stacked.
enum class OrganiserPane { SiteInfo, Options, Pages, Finish, EditPages };

/// What the sidebar and the View menu show of a pane.
struct PaneInfo
{
    OrganiserPane pane;
    const char *caption;
    const char *hint;
    const char *heading;
    const char *icon;
    const char *viewItem; ///< objectName of its View menu item
    Qt::Key key;
};

/// The panes in the sidebar's order, which puts Edit Pages before Finish.
extern const PaneInfo OrganiserPanes[5];

/// The organiser's sidebar: the title plate and one picture button per pane.
class Sidebar : public QFrame
{
    Q_OBJECT
public:
    explicit Sidebar(QWidget *parent);

signals:
    void paneChosen(OrganiserPane pane);
};

/// The organiser's right-hand side: the heading over the five stacked panes, each showing the
/// session's project.
class OrganiserArea : public QWidget
{
    Q_OBJECT
public:
    OrganiserArea(Model::ProjectSession &session, Platform::Dialogs &dialogs, QWidget *parent);

    OrganiserPane currentPane() const;
    QString heading() const;
    /// Makes a pane the visible one and sets its heading.
    void showPane(OrganiserPane pane);
    /// Shows the project's values in every pane (after New and Open).
    void showProject();
    /// Shows the Edit Pages list again (entering the pane).
    void showEditPagesList();

    SiteInfoPane *siteInfo() const { return m_siteInfo; }
    PagesPane *pages() const { return m_pages; }
    FinishPane *finish() const { return m_finish; }
    EditPagesPane *editPages() const { return m_editPages; }

signals:
    /// A pane's Help button: the help page, relative to the home directory.
    void helpRequested(const char *relativePath);

private:
    QLabel *m_heading = nullptr;
    QStackedWidget *m_panes = nullptr;
    SiteInfoPane *m_siteInfo = nullptr;
    OptionsPane *m_options = nullptr;
    PagesPane *m_pages = nullptr;
    FinishPane *m_finish = nullptr;
    EditPagesPane *m_editPages = nullptr;
};

/// The main window's status bar: "Press F1 For Help" and an empty panel, covered by the hint
/// of whatever control of its window is under the pointer.
class HintStatusBar : public QStatusBar
{
    Q_OBJECT
public:
    explicit HintStatusBar(QWidget *window);
    ~HintStatusBar() override;

    /// Shows a hint as one full-width text; an empty hint brings back the two panels.
    void showHint(const QString &hint);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// The hint of a control, or of the nearest control around it that has one.
    QString hintAt(QWidget *control) const;

    QWidget *m_window;
};

} // namespace App
