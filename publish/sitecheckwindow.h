#pragma once

#include "platform/dialogs.h"
#include "project/projectsession.h"
#include "publish/sitecheck.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QListWidgetItem;

namespace Publish {

/// Opens the page editor on a page with the caret at the start of a body line (from 1).
using OpenPageAtLine = std::function<void(Model::PageId page, int line)>;

/// A finding as the windows show it: "Home, line 2: picture "a.gif" not found".
std::string findingText(const SiteFinding &finding);

/// The question publishing asks when the check found something: the findings as the Check
/// Site window lists them, at most 20 lines then "and N more", and whether to publish anyway.
Platform::Message publishAnywayQuestion(const std::vector<SiteFinding> &findings);

/// The Check Site window: one line per finding of the site check; a double click opens the
/// page editor there. It stays open beside the main window while the user mends the site, and
/// checks again when the page editor closes and when the project is saved.
class SiteCheckWindow : public QDialog
{
    Q_OBJECT
public:
    SiteCheckWindow(Platform::Dialogs &dialogs, Model::ProjectSession &session,
        OpenPageAtLine openPageAtLine, QWidget *parent = nullptr);
    ~SiteCheckWindow() override;

    /// Tools > Check Site: checks the open project and shows the window (or brings it to the
    /// front when it is open already).
    void openFromMainWindow();
    /// Checks the open project again and lists what was found.
    void refresh();
    /// The findings listed now, in the list's order.
    const std::vector<SiteFinding> &findings() const { return m_findings; }
    /// A double click on a line: the page editor on that finding's page and line.
    void openFinding(int row);
    /// Checks again whenever `editor` (the page editor) closes while this window is open.
    void refreshWhenClosed(QWidget &editor);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Platform::Dialogs &m_dialogs;
    Model::ProjectSession &m_session;
    OpenPageAtLine m_openPageAtLine;
    QListWidget *m_list = nullptr;
    QLabel *m_tip = nullptr; ///< what the site's address would add, when it has none
    std::vector<SiteFinding> m_findings;
    int m_observer = 0;
};

} // namespace Publish
