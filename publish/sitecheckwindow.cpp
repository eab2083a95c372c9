#include "publish/sitecheckwindow.h"

#include "widgets/cp1252text.h"
#include "widgets/runcommand.h"
#include "widgets/windowbehaviour.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace Publish {

SiteCheckWindow::SiteCheckWindow(Platform::Dialogs &dialogs, Model::ProjectSession &session,
    OpenPageAtLine openPageAtLine, QWidget *parent)
    : QDialog(parent)
    , m_dialogs(dialogs)
    , m_session(session)
    , m_openPageAtLine(std::move(openPageAtLine))
{
    setObjectName(QStringLiteral("SiteCheck"));
    setWindowTitle(QStringLiteral("Check Site"));
    resize(560, 320);

    auto *layout = new QVBoxLayout(this);
    auto *heading = new QLabel(
        QStringLiteral("What to look at before publishing. Double-click a line to edit it:"), this);
    layout->addWidget(heading);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("siteCheckList"));
    m_list->setAccessibleName(QStringLiteral("Findings"));
    heading->setBuddy(m_list);
    layout->addWidget(m_list);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(m_list, &QListWidget::itemActivated, this,
        [this](QListWidgetItem *item) { openFinding(m_list->row(item)); });
    Widgets::centreWhenShown(this);
}

void SiteCheckWindow::openFromMainWindow()
{
    if (Widgets::runCommand(m_dialogs, [this] { refresh(); }))
        exec();
}

void SiteCheckWindow::refresh()
{
    m_findings = CheckSite(m_session);
    m_list->clear();
    for (const SiteFinding &finding : m_findings) {
        const std::string line = Model::pageInfo(finding.page).caption + std::string(", line ")
            + std::to_string(finding.line) + ": " + finding.message;
        m_list->addItem(Widgets::fromCp1252(line));
    }
    if (m_findings.empty())
        m_list->addItem(QStringLiteral("Nothing found: the site is ready to publish."));
    m_list->setCurrentRow(0);
}

void SiteCheckWindow::openFinding(int row)
{
    if (row < 0 || row >= static_cast<int>(m_findings.size()) || !m_openPageAtLine)
        return;
    const SiteFinding finding = m_findings[static_cast<std::size_t>(row)];
    m_openPageAtLine(finding.page, finding.line);
    // The user may have mended the page in the editor.
    Widgets::runCommand(m_dialogs, [this] { refresh(); });
}

} // namespace Publish
