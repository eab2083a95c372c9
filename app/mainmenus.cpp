#include "app/mainmenus.h"

#include "app/mainwindow.h"
#include "app/organiser.h"
#include "assets/icons.h"
#include "widgets/editcommands.h"

#include <QMenu>
#include <QMenuBar>

namespace App {

namespace {

/// One menu item: its object name, text, icon (or none), shortcut and command.
struct MenuItem
{
    const char *objectName;
    const char *text;
    const char *icon;
    QKeySequence shortcut;
    void (MainWindow::*command)();
    bool separatorBefore = false;
    /// A second shortcut that works too; the menu shows the first.
    QKeySequence alternate = {};
};

QMenu *addMenu(QWidget &parent, const char *objectName, const char *title)
{
    auto *menu = new QMenu(QString::fromLatin1(title), &parent);
    menu->setObjectName(QLatin1String(objectName));
    return menu;
}

QAction *addItem(QMenu *menu, const char *objectName, const QString &text, const char *icon,
    const QKeySequence &shortcut)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(QLatin1String(objectName));
    if (icon)
        action->setIcon(Assets::icon(icon));
    action->setShortcut(shortcut);
    return action;
}

void addItems(MainWindow &window, QMenu *menu, std::initializer_list<MenuItem> items)
{
    for (const MenuItem &item : items) {
        if (item.separatorBefore)
            menu->addSeparator();
        QAction *action = addItem(
            menu, item.objectName, QString::fromLatin1(item.text), item.icon, item.shortcut);
        if (!item.alternate.isEmpty())
            action->setShortcuts({ item.shortcut, item.alternate });
        QObject::connect(action, &QAction::triggered, &window, item.command);
    }
}

void addFileMenu(MainWindow &window, QMenuBar &bar)
{
    QMenu *file = addMenu(window, "File1", "File");
    addItems(window, file,
        {
            { "New1", "New", "menu-new", QKeySequence(Qt::CTRL | Qt::Key_N),
                &MainWindow::newProject },
            { "UndoNew1", "Undo New", nullptr, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N),
                &MainWindow::undoNewProject },
            { "OpenProject1", "Open Project", "menu-open", QKeySequence(Qt::CTRL | Qt::Key_O),
                &MainWindow::openProject, true },
        });
    // Undo New is there only right after New.
    QAction *undoNew = file->findChild<QAction *>(QStringLiteral("UndoNew1"));
    QObject::connect(file, &QMenu::aboutToShow, &window,
        [&window, undoNew] { undoNew->setEnabled(window.session().canUndoNew()); });
    QMenu *reopen = addMenu(window, "Reopen1", "Reopen");
    QObject::connect(
        reopen, &QMenu::aboutToShow, &window, [&window, reopen] { window.fillReopenMenu(reopen); });
    file->addMenu(reopen);
    addItems(window, file,
        {
            { "SaveProject1", "Save Project", "menu-save", QKeySequence(Qt::CTRL | Qt::Key_S),
                &MainWindow::saveProject, true },
            { "SaveProjectAs1", "Save As...", nullptr,
                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), &MainWindow::saveProjectAs },
            { "PublishHTML1", "Publish HTML", nullptr, QKeySequence(Qt::CTRL | Qt::Key_P),
                &MainWindow::publishHtml },
            // Ctrl+Q, which people know from other programs, is the one shown.
            { "Exit1", "Exit", "menu-exit", QKeySequence(Qt::CTRL | Qt::Key_Q),
                &MainWindow::exitProgram, true, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_X) },
        });
    bar.addMenu(file);
}

void addEditMenu(MainWindow &window, QMenuBar &bar, Widgets::EditCommands &editCommands)
{
    QMenu *edit = addMenu(window, "Edit1", "Edit");
    editCommands.addTo(edit);
    QObject::connect(edit, &QMenu::aboutToShow, &editCommands, &Widgets::EditCommands::refresh);
    bar.addMenu(edit);
}

/// Lists the panes as the sidebar does.
void addViewMenu(MainWindow &window, QMenuBar &bar)
{
    QMenu *view = addMenu(window, "View1", "View");
    for (const PaneInfo &info : OrganiserPanes) {
        const OrganiserPane pane = info.pane;
        QAction *action = addItem(view, info.viewItem, QString::fromLatin1(info.caption), nullptr,
            QKeySequence(info.key));
        QObject::connect(
            action, &QAction::triggered, &window, [&window, pane] { window.choosePane(pane); });
    }
    bar.addMenu(view);
}

void addToolsMenu(MainWindow &window, QMenuBar &bar)
{
    QMenu *tools = addMenu(window, "Tools1", "Tools");
    addItems(window, tools,
        {
            { "UpdateChecker1", "Update Checker", "menu-update", QKeySequence(Qt::CTRL | Qt::Key_U),
                &MainWindow::checkForUpdates },
            { "UploadWebsite1", "Upload Website", nullptr, QKeySequence(),
                &MainWindow::uploadWebsite },
            { "CheckSite1", "Check Site", nullptr, QKeySequence(), &MainWindow::checkSite },
        });
    bar.addMenu(tools);
}

void addHelpMenu(MainWindow &window, QMenuBar &bar)
{
    QMenu *help = addMenu(window, "Help1", "Help");
    addItems(window, help,
        {
            { "Help2", "Help", "menu-help", QKeySequence(Qt::Key_F1), &MainWindow::showHelp },
            { "Readme1", "Readme", "menu-readme", QKeySequence(Qt::Key_F2),
                &MainWindow::showReadme },
        });
    help->addSeparator();
    QMenu *web = addMenu(window, "OnTheWeb1", "On The Web");
    addItems(window, web,
        {
            { "Website1", "Website", "menu-website", QKeySequence(),
                &MainWindow::openMakerWebsite },
            { "Email1", "E-mail", "menu-email", QKeySequence(), &MainWindow::emailMaker },
            { "Support1", "Support", nullptr, QKeySequence(), &MainWindow::openSupportPage },
        });
    help->addMenu(web);
    addItems(window, help,
        { { "About1", "About", "menu-about", QKeySequence(Qt::Key_F4), &MainWindow::showAbout,
            true } });
    bar.addMenu(help);
}

} // namespace

void addMainMenus(MainWindow &window, QMenuBar &bar, Widgets::EditCommands &editCommands)
{
    addFileMenu(window, bar);
    addEditMenu(window, bar, editCommands);
    addViewMenu(window, bar);
    addToolsMenu(window, bar);
    addHelpMenu(window, bar);
}

} // namespace App
