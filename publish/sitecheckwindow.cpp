#include "publish/sitecheckwindow.h"

#include "widgets/cp1252text.h"
#include "widgets/runcommand.h"
#include "widgets/windowbehaviour.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace Publish {

std::string findingText(const SiteFinding &finding)
{
    // A fact of the whole site belongs to no page or line.
    if (finding.siteWide)
        return "Site: " + finding.message;
    return Model::pageInfo(finding.page).caption + std::string(", line ")
        + std::to_string(finding.line) + ": " + finding.message;
}

Platform::Message publishAnywayQuestion(const std::vector<SiteFinding> &findings)
{
    constexpr std::size_t Shown = 20;
    std::string text = "The check of the site found this:";
    for (std::size_t i = 0; i < findings.size() && i < Shown; ++i)
        text += "\n" + findingText(findings[i]);
    if (findings.size() > Shown)
        text += "\nand " + std::to_string(findings.size() - Shown) + " more";
    text += "\n\nPublish anyway?";
    return { Platform::ApplicationTitle, text, Platform::MessageIcon::Question,
        Platform::MessageButtons::OkCancel };
}

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
    m_tip = new QLabel(this);
    m_tip->setObjectName(QStringLiteral("siteAddressTip"));
    m_tip->setWordWrap(true);
    layout->addWidget(m_tip);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(m_list, &QListWidget::itemActivated, this,
        [this](QListWidgetItem *item) { openFinding(m_list->row(item)); });
    // A save may bring the pictures beside the project file, where the check looks for them.
    // The check runs once the save's command is over.
    m_observer = m_session.observe([this](Model::SessionChange change) {
        if (change == Model::SessionChange::Saved && isVisible()) {
            QMetaObject::invokeMethod(
                this, [this] { Widgets::runCommand(m_dialogs, [this] { refresh(); }); },
                Qt::QueuedConnection);
        }
    });
    Widgets::centreWhenShown(this);
}

SiteCheckWindow::~SiteCheckWindow() { m_session.stopObserving(m_observer); }

void SiteCheckWindow::openFromMainWindow()
{
    if (!Widgets::runCommand(m_dialogs, [this] { refresh(); }))
        return;
    show();
    raise();
    activateWindow();
}

void SiteCheckWindow::refresh()
{
    // The check reads no template, so it needs no home folder.
    m_findings = CheckSite(requestFor(m_session, {})).findings;
    m_list->clear();
    for (const SiteFinding &finding : m_findings)
        m_list->addItem(Widgets::fromCp1252(findingText(finding)));
    if (m_findings.empty())
        m_list->addItem(QStringLiteral("Nothing found: the site is ready to publish."));
    m_list->setCurrentRow(0);
    const std::string tip = siteAddressTip(m_session.project());
    m_tip->setText(Widgets::fromCp1252(tip));
    m_tip->setVisible(!tip.empty());
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

void SiteCheckWindow::refreshWhenClosed(QWidget &editor) { editor.installEventFilter(this); }

bool SiteCheckWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Hide && watched != this && isVisible())
        Widgets::runCommand(m_dialogs, [this] { refresh(); });
    return QDialog::eventFilter(watched, event);
}

} // namespace Publish
