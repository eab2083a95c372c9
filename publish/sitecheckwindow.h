#pragma once

#include "platform/dialogs.h"
#include "project/projectsession.h"
#include "publish/sitecheck.h"

#include <QDialog>

#include <functional>
#include <vector>

class QListWidget;
class QListWidgetItem;

namespace Publish {

/// Opens the page editor on a page with the caret at the start of a body line (from 1).
using OpenPageAtLine = std::function<void(Model::PageId page, int line)>;

/// The Check Site window: one line per finding of the site check (page caption, line,
/// message); a double click opens the page editor there, and the list is checked again when
/// the editor closes.
class SiteCheckWindow : public QDialog
{
    Q_OBJECT
public:
    SiteCheckWindow(Platform::Dialogs &dialogs, Model::ProjectSession &session,
        OpenPageAtLine openPageAtLine, QWidget *parent = nullptr);

    /// Tools > Check Site: checks the open project and shows the window modally.
    void openFromMainWindow();
    /// Checks the open project again and lists what was found.
    void refresh();
    /// The findings listed now, in the list's order.
    const std::vector<SiteFinding> &findings() const { return m_findings; }
    /// A double click on a line: the page editor on that finding's page and line.
    void openFinding(int row);

private:
    Platform::Dialogs &m_dialogs;
    Model::ProjectSession &m_session;
    OpenPageAtLine m_openPageAtLine;
    QListWidget *m_list = nullptr;
    std::vector<SiteFinding> m_findings;
};

} // namespace Publish
