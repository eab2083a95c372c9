#include "app/organiser.h"

#include "app/editpagespane.h"
#include "app/finishpane.h"
#include "app/optionspane.h"
#include "app/pagespane.h"
#include "app/siteinfopane.h"
#include "assets/icons.h"
#include "widgets/panelparts.h"

#include <QApplication>
#include <QBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QStackedWidget>
#include <QToolButton>

#include <algorithm>

namespace App {

namespace {

constexpr int SidebarWidth = 105;
constexpr int StatusBarHeight = 20;

const PaneInfo &paneInfo(OrganiserPane pane)
{
    return *std::find_if(std::begin(OrganiserPanes), std::end(OrganiserPanes),
        [pane](const PaneInfo &info) { return info.pane == pane; });
}

void makeBold(QWidget *widget)
{
    QFont bold = widget->font();
    bold.setBold(true);
    widget->setFont(bold);
}

} // namespace

const PaneInfo OrganiserPanes[5] = {
    { OrganiserPane::SiteInfo, "Site Info", "Website information", "Website Organiser :: Site Info",
        "sidebar-siteinfo", "SiteInfo1", Qt::Key_F5 },
    { OrganiserPane::Options, "Options", "Website options", "Website Organiser :: Options",
        "sidebar-options", "Options1", Qt::Key_F6 },
    { OrganiserPane::Pages, "Pages", "Current pages in project", "Website Organiser :: Pages",
        "sidebar-pages", "Pages1", Qt::Key_F7 },
    { OrganiserPane::EditPages, "Edit Pages", "Edit pages in project",
        "Website Organiser :: Edit Pages", "sidebar-editpages", "EditPages1", Qt::Key_F8 },
    { OrganiserPane::Finish, "Finish", "Finish project", "Website Organiser :: Finish",
        "sidebar-finish", "Finish1", Qt::Key_F9 },
};

Sidebar::Sidebar(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("sidebar"));
    Widgets::fillPanel(this, QPalette::Dark);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(3, 3, 3, 0);
    column->setSpacing(0);

    auto *title = new QLabel(QStringLiteral("Website Organiser"), this);
    title->setObjectName(QStringLiteral("sidebarTitle"));
    title->setAlignment(Qt::AlignCenter);
    title->setWordWrap(true);
    title->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Widgets::fillPanel(title, QPalette::Mid);
    makeBold(title);
    // Two lines of the title, as tall as the design's plate or taller for a large font.
    title->setMinimumHeight(
        std::max(33, 2 * title->fontMetrics().lineSpacing() + 2 * title->frameWidth() + 2));
    column->addWidget(title);
    column->addSpacing(3);

    // The sidebar keeps its design width unless a caption or a word of the title needs more.
    title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    int width = SidebarWidth;
    for (const QString &word : title->text().split(QLatin1Char(' ')))
        width = std::max(width, title->fontMetrics().horizontalAdvance(word) + 16);

    int number = 1;
    for (const PaneInfo &info : OrganiserPanes) {
        auto *button = new QToolButton(this);
        button->setObjectName(QStringLiteral("SpeedButton") + QString::number(number++));
        button->setFixedSize(49, 41);
        button->setIcon(Assets::icon(info.icon));
        button->setIconSize(QSize(40, 36));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAccessibleName(QString::fromLatin1(info.caption));
        Widgets::setHint(button, QString::fromLatin1(info.hint));
        auto *caption = new QLabel(QString::fromLatin1(info.caption), this);
        Widgets::keepAtLeast(caption, QSize(0, 16));
        caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        width = std::max(width, caption->sizeHint().width() + 6);
        column->addWidget(button, 0, Qt::AlignHCenter);
        column->addSpacing(1);
        column->addWidget(caption);
        // The buttons are 72 pixels apart at the design's font.
        if (number <= static_cast<int>(std::size(OrganiserPanes)))
            column->addSpacing(14);
        const OrganiserPane pane = info.pane;
        connect(button, &QToolButton::clicked, this, [this, pane] { emit paneChosen(pane); });
    }
    column->addStretch(1);
    setFixedWidth(width);
}

OrganiserArea::OrganiserArea(
    Model::ProjectSession &session, Platform::Dialogs &dialogs, QWidget *parent)
    : QWidget(parent)
{
    auto *headingBar = new QFrame(this);
    headingBar->setObjectName(QStringLiteral("headingBar"));
    headingBar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_heading = new QLabel(headingBar);
    m_heading->setObjectName(QStringLiteral("heading"));
    makeBold(m_heading);
    auto *headingRow = new QHBoxLayout(headingBar);
    headingRow->setContentsMargins(6, 1, 6, 1);
    // The heading's text comes later; its line is kept for it.
    m_heading->setMinimumHeight(m_heading->fontMetrics().height());
    headingRow->addWidget(m_heading);
    Widgets::keepAtLeast(headingBar, QSize(0, 22));

    m_panes = new QStackedWidget(this);
    m_panes->setObjectName(QStringLiteral("panes"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 1, 0, 0);
    column->setSpacing(1);
    column->addWidget(headingBar);
    column->addWidget(m_panes, 1);

    m_siteInfo = new SiteInfoPane(session.selection(), session.lists(), dialogs);
    m_options = new OptionsPane(session.fields(), session.lists(), dialogs);
    m_pages = new PagesPane(session.selection());
    m_finish = new FinishPane;
    m_editPages = new EditPagesPane(session.selection());
    // Stacked in the organiser's order: Site Info, Options, Pages, Finish, Edit Pages.
    for (QWidget *pane : { static_cast<QWidget *>(m_siteInfo), static_cast<QWidget *>(m_options),
             static_cast<QWidget *>(m_pages), static_cast<QWidget *>(m_finish),
             static_cast<QWidget *>(m_editPages) })
        m_panes->addWidget(pane);

    // The session tells its observers of every change made in the panes.
    const auto fieldsEdited = [&session] { session.fieldsEdited(); };
    connect(m_siteInfo, &SiteInfoPane::edited, this, fieldsEdited);
    connect(m_siteInfo, &SiteInfoPane::siteTypeChanged, this, fieldsEdited);
    connect(m_options, &OptionsPane::edited, this, fieldsEdited);
    connect(m_editPages, &EditPagesPane::edited, this, fieldsEdited);
    connect(m_pages, &PagesPane::ticksChanged, this, fieldsEdited);
    connect(m_siteInfo, &SiteInfoPane::siteTypeChanged, m_pages, &PagesPane::showTicks);
    connect(m_pages, &PagesPane::ticksChanged, m_editPages, &EditPagesPane::showList);
    connect(m_siteInfo, &SiteInfoPane::helpRequested, this,
        [this] { emit helpRequested("/help/con1.html"); });
    connect(m_options, &OptionsPane::helpRequested, this,
        [this] { emit helpRequested("/help/con2.html"); });
    connect(m_pages, &PagesPane::helpRequested, this,
        [this] { emit helpRequested("/help/con3.html"); });
    connect(m_editPages, &EditPagesPane::helpRequested, this,
        [this] { emit helpRequested("/help/con4.html"); });
    connect(m_finish, &FinishPane::helpRequested, this,
        [this] { emit helpRequested("/help/con5.html"); });
}

OrganiserPane OrganiserArea::currentPane() const
{
    return static_cast<OrganiserPane>(m_panes->currentIndex());
}

QString OrganiserArea::heading() const { return m_heading->text(); }

void OrganiserArea::showPane(OrganiserPane pane)
{
    m_panes->setCurrentIndex(static_cast<int>(pane));
    m_heading->setText(QString::fromLatin1(paneInfo(pane).heading));
}

void OrganiserArea::showProject()
{
    m_siteInfo->showProject();
    m_options->showProject();
    m_pages->showTicks();
    m_editPages->showList();
}

void OrganiserArea::showEditPagesList() { m_editPages->showList(); }

HintStatusBar::HintStatusBar(QWidget *window)
    : QStatusBar(window)
    , m_window(window)
{
    setObjectName(QStringLiteral("StatusBar1"));
    setSizeGripEnabled(false);
    // The design's height, taller only when the font needs it.
    setFixedHeight(std::max(StatusBarHeight, fontMetrics().height() + 3));
    auto *helpPanel = new QLabel(QStringLiteral("Press F1 For Help"), this);
    helpPanel->setObjectName(QStringLiteral("statusPanel1"));
    Widgets::keepAtLeast(helpPanel, QSize(120, 0));
    helpPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto *emptyPanel = new QLabel(this);
    emptyPanel->setObjectName(QStringLiteral("statusPanel2"));
    Widgets::keepAtLeast(emptyPanel, QSize(50, 0));
    emptyPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    addWidget(helpPanel);
    addWidget(emptyPanel);
    // Hints of every control under the pointer come to the status bar.
    qApp->installEventFilter(this);
}

HintStatusBar::~HintStatusBar() { qApp->removeEventFilter(this); }

void HintStatusBar::showHint(const QString &hint)
{
    // A temporary status message covers the two panels; clearing it brings them back.
    // A hint longer than the bar ends in "..."; the whole of it is the control's tooltip.
    if (hint.isEmpty())
        clearMessage();
    else
        showMessage(fontMetrics().elidedText(hint, Qt::ElideRight, contentsRect().width() - 8));
}

QString HintStatusBar::hintAt(QWidget *control) const
{
    for (QWidget *widget = control; widget && widget != m_window; widget = widget->parentWidget()) {
        if (!widget->toolTip().isEmpty())
            return widget->toolTip();
    }
    return {};
}

bool HintStatusBar::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Enter || type == QEvent::Leave) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && widget != m_window && widget->window() == m_window) {
            // Leaving a control puts the pointer over the control around it.
            showHint(hintAt(type == QEvent::Enter ? widget : widget->parentWidget()));
        }
    }
    return QStatusBar::eventFilter(watched, event);
}

} // namespace App
