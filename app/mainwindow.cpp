#include "app/mainwindow.h"

#include "app/editpagespane.h"
#include "app/finishpane.h"
#include "app/optionspane.h"
#include "app/pagespane.h"
#include "app/siteinfopane.h"
#include "assets/icons.h"
#include "catalogue/templatecatalogue.h"
#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/maker.h"
#include "project/projectfiles.h"
#include "widgets/cp1252text.h"
#include "widgets/editcommands.h"
#include "widgets/panelparts.h"
#include "widgets/runcommand.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolButton>

#include <algorithm>

namespace App {

using Model::PageId;

namespace {

constexpr int ClientWidth = 604;
constexpr int ClientHeight = 405;
constexpr int SidebarWidth = 105;
constexpr int StatusBarHeight = 20;
constexpr int PaneWidth = 489;
constexpr int PaneHeight = 361;

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

// In the sidebar's order, which puts Edit Pages before Finish.
constexpr PaneInfo Panes[] = {
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

const PaneInfo &paneInfo(OrganiserPane pane)
{
    return *std::find_if(std::begin(Panes), std::end(Panes),
        [pane](const PaneInfo &info) { return info.pane == pane; });
}

// What a trimmed file name keeps: blanks and control characters at either end go.
bool isBlankName(const std::string &name)
{
    return std::all_of(
        name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

Platform::FileDialogSpec projectDialog(
    Platform::FileDialogSpec::Mode mode, const char *title, const std::string &lastName)
{
    Platform::FileDialogSpec request;
    request.mode = mode;
    request.title = title;
    request.filters = { { "Corvanta Files (*.cvp)", "*.cvp" } };
    request.defaultExtension = "cvp";
    request.initialPath = lastName;
    return request;
}

std::vector<std::string> installedFontFamilies()
{
    std::vector<std::string> families;
    for (const QString &family : QFontDatabase::families()) {
        // A name Windows-1252 cannot hold could not be written into a stylesheet.
        if (std::optional<std::string> name = Platform::utf8ToCp1252Exact(family.toStdString()))
            families.push_back(std::move(*name));
    }
    return families;
}

} // namespace

MainWindow::MainWindow(Platform::Dialogs &dialogs, Model::ProjectSession &session,
    const std::string &homeDir, QWidget *parent)
    : QMainWindow(parent)
    , m_dialogs(dialogs)
    , m_session(session)
    , m_homeDir(homeDir)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Corvanta v1.0"));
    setWindowIcon(Assets::icon("corvanta"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    // Hints of every control under the pointer come to the status bar.
    qApp->installEventFilter(this);
    m_homedirBox = new QLineEdit(Widgets::fromCp1252(m_homeDir));
    m_homedirBox->setObjectName(QStringLiteral("homedir"));
    m_homedirBox->setVisible(false);

    auto *central = new QWidget(this);
    central->setFixedSize(ClientWidth, ClientHeight - StatusBarHeight);
    setCentralWidget(central);
    m_homedirBox->setParent(central);
    createSidebar(central);
    createHeadingAndPanes(central);
    createMenus();
    createStatusBar();
    showPane(OrganiserPane::SiteInfo);
    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
}

MainWindow::~MainWindow() { qApp->removeEventFilter(this); }

void MainWindow::createSidebar(QWidget *central)
{
    auto *sidebar = new QFrame(central);
    sidebar->setObjectName(QStringLiteral("sidebar"));
    sidebar->setGeometry(0, 0, SidebarWidth, central->height());
    Widgets::fillPanel(sidebar, Widgets::Grey::Sidebar, Qt::white);

    auto *title = new QLabel(QStringLiteral("Website Organiser"), sidebar);
    title->setObjectName(QStringLiteral("sidebarTitle"));
    title->setGeometry(3, 3, SidebarWidth - 6, 33);
    title->setAlignment(Qt::AlignCenter);
    title->setWordWrap(true);
    title->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Widgets::fillPanel(title, Widgets::Grey::SidebarPlate);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);

    int top = 39;
    int number = 1;
    for (const PaneInfo &info : Panes) {
        auto *button = new QToolButton(sidebar);
        button->setObjectName(QStringLiteral("SpeedButton") + QString::number(number++));
        button->setGeometry((SidebarWidth - 49) / 2, top, 49, 41);
        button->setIcon(Assets::icon(info.icon));
        button->setIconSize(QSize(40, 36));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAccessibleName(QString::fromLatin1(info.caption));
        Widgets::setHint(button, QString::fromLatin1(info.hint));
        auto *caption = new QLabel(QString::fromLatin1(info.caption), sidebar);
        caption->setGeometry(0, top + 42, SidebarWidth, 16);
        caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        const OrganiserPane pane = info.pane;
        connect(button, &QToolButton::clicked, this, [this, pane] {
            if (pane == OrganiserPane::EditPages)
                enterEditPages();
            else
                showPane(pane);
        });
        top += 72;
    }
}

void MainWindow::createHeadingAndPanes(QWidget *central)
{
    auto *headingBar = new QFrame(central);
    headingBar->setObjectName(QStringLiteral("headingBar"));
    headingBar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    headingBar->setGeometry(SidebarWidth + 5, 1, PaneWidth, 22);
    m_heading = new QLabel(headingBar);
    m_heading->setObjectName(QStringLiteral("heading"));
    m_heading->setGeometry(6, 2, PaneWidth - 12, 18);
    QFont bold = m_heading->font();
    bold.setBold(true);
    m_heading->setFont(bold);

    m_panes = new QStackedWidget(central);
    m_panes->setObjectName(QStringLiteral("panes"));
    m_panes->setGeometry(SidebarWidth + 5, 24, PaneWidth, PaneHeight);
    m_siteInfo = new SiteInfoPane(m_session.selection(), m_session.lists(), m_dialogs);
    m_options = new OptionsPane(m_session.fields(), m_session.lists(), m_dialogs);
    m_pages = new PagesPane(m_session.selection());
    m_finish = new FinishPane;
    m_editPages = new EditPagesPane(m_session.selection());
    // Stacked in the organiser's order: Site Info, Options, Pages, Finish, Edit Pages.
    m_panes->addWidget(m_siteInfo);
    m_panes->addWidget(m_options);
    m_panes->addWidget(m_pages);
    m_panes->addWidget(m_finish);
    m_panes->addWidget(m_editPages);

    connect(m_siteInfo, &SiteInfoPane::siteTypeChanged, m_pages, &PagesPane::showTicks);
    connect(m_siteInfo, &SiteInfoPane::templateViewerRequested, this, [this] {
        runCommand([this] {
            if (m_windows.openTemplateViewer)
                m_windows.openTemplateViewer();
        });
    });
    connect(m_pages, &PagesPane::ticksChanged, m_editPages, &EditPagesPane::showList);
    connect(m_editPages, &EditPagesPane::editSelectedPage, this, &MainWindow::editSelectedPage);
    connect(m_finish, &FinishPane::saveRequested, this, &MainWindow::saveProject);
    connect(m_finish, &FinishPane::publishRequested, this, &MainWindow::publishHtml);
    connect(
        m_siteInfo, &SiteInfoPane::helpRequested, this, [this] { openHelp("/help/con1.html"); });
    connect(m_options, &OptionsPane::helpRequested, this, [this] { openHelp("/help/con2.html"); });
    connect(m_pages, &PagesPane::helpRequested, this, [this] { openHelp("/help/con3.html"); });
    connect(
        m_editPages, &EditPagesPane::helpRequested, this, [this] { openHelp("/help/con4.html"); });
    connect(m_finish, &FinishPane::helpRequested, this, [this] { openHelp("/help/con5.html"); });
}

void MainWindow::createMenus()
{
    const auto item = [this](QMenu *menu, const char *objectName, const QString &text,
                          const char *icon, const QKeySequence &shortcut, auto handler) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QLatin1String(objectName));
        if (icon)
            action->setIcon(Assets::icon(icon));
        action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };

    QMenu *file = menuBar()->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("File1"));
    item(file, "New1", QStringLiteral("New"), "menu-new", QKeySequence(Qt::CTRL | Qt::Key_N),
        &MainWindow::newProject);
    file->addSeparator();
    item(file, "OpenProject1", QStringLiteral("Open Project"), "menu-open",
        QKeySequence(Qt::CTRL | Qt::Key_O), &MainWindow::openProject);
    file->addSeparator();
    item(file, "SaveProject1", QStringLiteral("Save Project"), "menu-save",
        QKeySequence(Qt::CTRL | Qt::Key_S), &MainWindow::saveProject);
    item(file, "PublishHTML1", QStringLiteral("Publish HTML"), nullptr,
        QKeySequence(Qt::CTRL | Qt::Key_P), &MainWindow::publishHtml);
    file->addSeparator();
    item(file, "Exit1", QStringLiteral("Exit"), "menu-exit",
        QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_X), &MainWindow::exitProgram);

    m_editCommands = new Widgets::EditCommands(this);
    QMenu *edit = menuBar()->addMenu(QStringLiteral("Edit"));
    edit->setObjectName(QStringLiteral("Edit1"));
    m_editCommands->addTo(edit);
    connect(edit, &QMenu::aboutToShow, m_editCommands, &Widgets::EditCommands::refresh);
    m_contextMenu = new QMenu(this);
    m_contextMenu->setObjectName(QStringLiteral("PopupMenu1"));
    m_editCommands->addTo(m_contextMenu);

    QMenu *view = menuBar()->addMenu(QStringLiteral("View"));
    view->setObjectName(QStringLiteral("View1"));
    // The View menu lists the panes as the sidebar does.
    for (const PaneInfo &info : Panes) {
        const OrganiserPane pane = info.pane;
        item(view, info.viewItem, QString::fromLatin1(info.caption), nullptr,
            QKeySequence(info.key), [this, pane] {
                if (pane == OrganiserPane::EditPages)
                    enterEditPages();
                else
                    showPane(pane);
            });
    }

    QMenu *tools = menuBar()->addMenu(QStringLiteral("Tools"));
    tools->setObjectName(QStringLiteral("Tools1"));
    item(tools, "UpdateChecker1", QStringLiteral("Update Checker"), "menu-update",
        QKeySequence(Qt::CTRL | Qt::Key_U), &MainWindow::checkForUpdates);

    QMenu *help = menuBar()->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("Help1"));
    item(help, "Help2", QStringLiteral("Help"), "menu-help", QKeySequence(Qt::Key_F1),
        &MainWindow::showHelp);
    item(help, "Readme1", QStringLiteral("Readme"), "menu-readme", QKeySequence(Qt::Key_F2),
        &MainWindow::showReadme);
    help->addSeparator();
    QMenu *web = help->addMenu(QStringLiteral("On The Web"));
    web->setObjectName(QStringLiteral("OnTheWeb1"));
    item(web, "Website1", QStringLiteral("Website"), "menu-website", QKeySequence(),
        &MainWindow::openMakerWebsite);
    item(web, "Email1", QStringLiteral("E-mail"), "menu-email", QKeySequence(),
        &MainWindow::emailMaker);
    item(web, "Support1", QStringLiteral("Support"), nullptr, QKeySequence(),
        &MainWindow::openSupportPage);
    help->addSeparator();
    item(help, "About1", QStringLiteral("About"), "menu-about", QKeySequence(Qt::Key_F4),
        &MainWindow::showAbout);
}

void MainWindow::createStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    bar->setFixedHeight(StatusBarHeight);
    m_helpPanel = new QLabel(QStringLiteral("Press F1 For Help"), bar);
    m_helpPanel->setObjectName(QStringLiteral("statusPanel1"));
    m_helpPanel->setFixedWidth(120);
    m_helpPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_emptyPanel = new QLabel(bar);
    m_emptyPanel->setObjectName(QStringLiteral("statusPanel2"));
    m_emptyPanel->setFixedWidth(50);
    m_emptyPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addWidget(m_helpPanel);
    bar->addWidget(m_emptyPanel);
}

OrganiserPane MainWindow::currentPane() const
{
    return static_cast<OrganiserPane>(m_panes->currentIndex());
}

QString MainWindow::heading() const { return m_heading->text(); }

void MainWindow::showPane(OrganiserPane pane)
{
    m_panes->setCurrentIndex(static_cast<int>(pane));
    m_heading->setText(QString::fromLatin1(paneInfo(pane).heading));
}

void MainWindow::setCompanionWindows(CompanionWindows windows) { m_windows = std::move(windows); }

void MainWindow::showHint(const QString &hint)
{
    // A temporary status message covers the two panels; clearing it brings them back.
    if (hint.isEmpty())
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(hint);
}

QString MainWindow::hintAt(QWidget *control) const
{
    for (QWidget *widget = control; widget && widget != this; widget = widget->parentWidget()) {
        if (!widget->toolTip().isEmpty())
            return widget->toolTip();
    }
    return {};
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Enter || type == QEvent::Leave) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && widget != this && widget->window() == this) {
            // Leaving a control puts the pointer over the control around it.
            showHint(hintAt(type == QEvent::Enter ? widget : widget->parentWidget()));
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && m_splashPending) {
        m_splashPending = false;
        runCommand([this] {
            if (m_windows.showSplash)
                m_windows.showSplash();
        });
    }
    if (event->type() == QEvent::StatusTip) {
        // Highlighted menu items: "Cut", "Copy", "Paste", or nothing.
        showHint(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void MainWindow::contextMenuEvent(QContextMenuEvent *event)
{
    m_editCommands->refresh();
    m_contextMenu->popup(event->globalPos());
}

bool MainWindow::confirmExit()
{
    return m_dialogs.confirm({ "Confirm", "Are you sure you want to exit Corvanta?",
        Platform::MessageIcon::Question, Platform::MessageButtons::OkCancel });
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_exitConfirmed && !confirmExit()) {
        event->ignore();
        return;
    }
    m_exitConfirmed = true;
    event->accept();
    emit programEnds();
}

void MainWindow::exitProgram()
{
    runCommand([this] {
        if (!confirmExit())
            return;
        // The close question is not asked a second time.
        m_exitConfirmed = true;
        close();
    });
}

void MainWindow::runCommand(const std::function<void()> &command)
{
    Widgets::runCommand(m_dialogs, command);
}

void MainWindow::showProject()
{
    m_siteInfo->showProject();
    m_options->showProject();
    m_pages->showTicks();
    m_editPages->showList();
}

void MainWindow::newProject()
{
    if (!m_dialogs.confirm(
            { "Warning", "Are you sure you want to erase all fields and start a new project?",
                Platform::MessageIcon::Warning, Platform::MessageButtons::OkCancel }))
        return;
    runCommand([&] { m_session.newProject(); });
    showProject();
    showPane(OrganiserPane::SiteInfo);
}

void MainWindow::saveProject()
{
    Platform::FileDialogSpec request = projectDialog(
        Platform::FileDialogSpec::Mode::Save, "Save Project", m_session.lastSaveName());
    request.confirmOverwrite = true;
    const std::optional<std::string> chosen = m_dialogs.chooseFile(request);
    if (!chosen)
        return;
    m_session.setLastSaveName(*chosen);
    if (!isBlankName(*chosen))
        runCommand([&] { m_session.save(*chosen); });
}

void MainWindow::openProject()
{
    const std::optional<std::string> chosen = m_dialogs.chooseFile(projectDialog(
        Platform::FileDialogSpec::Mode::Open, "Open Project", m_session.lastOpenName()));
    if (!chosen)
        return;
    m_session.setLastOpenName(*chosen);
    if (isBlankName(*chosen))
        return;
    bool opened = false;
    runCommand([&] {
        m_session.open(*chosen);
        opened = true;
    });
    // What was read before an error stays applied and shows.
    showProject();
    if (opened)
        showPane(OrganiserPane::SiteInfo);
}

void MainWindow::publishHtml()
{
    runCommand([this] {
        if (m_windows.openPublishWindow)
            m_windows.openPublishWindow();
    });
}

void MainWindow::checkForUpdates()
{
    runCommand([this] {
        if (m_windows.openUpdateChecker)
            m_windows.openUpdateChecker();
    });
}

void MainWindow::showAbout()
{
    runCommand([this] {
        if (m_windows.openAbout)
            m_windows.openAbout();
    });
}

void MainWindow::enterEditPages()
{
    runCommand([this] {
        showPane(OrganiserPane::EditPages);
        m_session.selection().enterEditPages();
        m_editPages->showList();
    });
}

void MainWindow::editSelectedPage()
{
    runCommand([&] {
        const PageId page = m_session.selection().selectedPage();
        if (m_windows.openPageEditor)
            m_windows.openPageEditor(page);
    });
}

void MainWindow::openHelp(const char *relativePath)
{
    // Joined as they stand: at the root the path starts with two slashes.
    runCommand([&] { m_dialogs.openDocument(m_homeDir + relativePath); });
}

void MainWindow::showHelp() { openHelp("/help/index.html"); }

void MainWindow::showReadme() { openHelp("/readme.txt"); }

void MainWindow::openMakerWebsite()
{
    runCommand([this] { m_dialogs.openDocument(Platform::Maker::WebSite); });
}

void MainWindow::emailMaker()
{
    runCommand(
        [this] { m_dialogs.openDocument(std::string("mailto:") + Platform::Maker::EmailAddress); });
}

void MainWindow::openSupportPage()
{
    runCommand([this] { m_dialogs.openDocument(Platform::Maker::SupportPage); });
}

Model::ChoiceLists programChoiceLists(const std::string &homeDir)
{
    return { Catalogue::ListTemplates(homeDir), Model::FontFamilyList(installedFontFamilies()) };
}

} // namespace App
