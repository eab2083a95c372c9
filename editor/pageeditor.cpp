#include "editor/pageeditor.h"

#include "editor/markuptools.h"
#include "editor/pagetext.h"

#include "assets/icons.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTextDocument>
#include <QToolButton>

#include <algorithm>

namespace Editor {

using Editor::PageText;
using Model::PageId;

namespace {

constexpr QSize ClientSize(626, 378);
constexpr QRect PageArea(0, 8, 481, 369);
constexpr QRect TitleBand(488, 4, 137, 33);
constexpr QPoint TitleText(536, 14);
constexpr QRect ToolPanel(488, 36, 137, 282);
// The thin lines between the toolbox's groups, in window coordinates.
constexpr int SeparatorTops[] = { 98, 134, 170, 206, 254 };

QString asciiText(const char *text) { return QString::fromLatin1(text); }

// "Bold Text" -> "BoldText1", "E-mail Link" -> "EmailLink1".
QString menuItemName(const char *text)
{
    QString name;
    for (const QChar c : QString::fromLatin1(text)) {
        if (c.isLetterOrNumber())
            name += c;
    }
    return name + QLatin1Char('1');
}

bool clipboardHasText()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText() && !data->text().isEmpty();
}

} // namespace

PageEditor::PageEditor(Platform::Dialogs &dialogs, std::string homeDir, QWidget *parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
            | Qt::WindowStaysOnTopHint)
    , m_dialogs(dialogs)
    , m_homeDir(std::move(homeDir))
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Editing Page - "));
    setFixedSize(ClientSize);
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);

    createPageArea();
    createToolbox();
    createButtons();
    createContextMenu();

    // Keyboard order: the page text, "&Close", the toggle button, "&Help".
    QWidget *previous = m_pages.front();
    for (PageText *page : m_pages) {
        setTabOrder(previous, page);
        previous = page;
    }
    setTabOrder(previous, m_close);
    setTabOrder(m_close, m_toggle);
    setTabOrder(m_toggle, m_help);

    selectPage(1);
    setWindowTitle(QStringLiteral("Editing Page - "));
}

PageEditor::~PageEditor()
{
    // The texts and the focus change while the window's parts are taken down; by then this
    // object is no longer a whole window to tell.
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
    for (PageText *page : m_pages)
        disconnect(page, nullptr, this, nullptr);
}

void PageEditor::createPageArea()
{
    // A stack has no tabs: the user cannot switch pages here, only the organiser can.
    m_pageArea = new QStackedWidget(this);
    m_pageArea->setObjectName(QStringLiteral("PageControl1"));
    m_pageArea->setGeometry(PageArea);
    for (const Model::PageInfo &info : Model::PageCatalogue) {
        auto *page = new PageText(m_pageArea);
        page->setObjectName(QStringLiteral("memo%1").arg(info.id));
        page->setAccessibleName(asciiText(info.caption));
        page->setWindowTitle(asciiText(info.caption));
        connect(page, &PageText::contextMenuWanted, this, &PageEditor::showContextMenu);
        connect(page, &QPlainTextEdit::selectionChanged, this, &PageEditor::refreshEditCommands);
        connect(page, &QPlainTextEdit::textChanged, this, &PageEditor::refreshEditCommands);
        connect(page, &QPlainTextEdit::undoAvailable, this, &PageEditor::refreshEditCommands);
        m_pageArea->addWidget(page);
        m_pages[static_cast<std::size_t>(info.id - 1)] = page;
    }
}

void PageEditor::createToolbox()
{
    auto *band = new QFrame(this);
    band->setObjectName(QStringLiteral("Panel1"));
    band->setGeometry(TitleBand);
    band->setFrameStyle(QFrame::Panel | QFrame::Raised);
    band->setAutoFillBackground(true);
    QPalette grey = band->palette();
    grey.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    band->setPalette(grey);
    auto *title = new QLabel(QStringLiteral("Toolbox"), band);
    title->setObjectName(QStringLiteral("Label1"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->adjustSize();
    title->move(TitleText - TitleBand.topLeft());

    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel2"));
    panel->setGeometry(ToolPanel);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    for (const int top : SeparatorTops) {
        auto *line = new QFrame(panel);
        line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
        line->setGeometry(2, top - ToolPanel.top(), ToolPanel.width() - 4, 2);
    }

    for (const Editor::ToolInfo &tool : Editor::Tools) {
        auto *button = new QToolButton(panel);
        button->setObjectName(QLatin1String(tool.buttonName));
        button->setGeometry(tool.place.left - ToolPanel.left(), tool.place.top - ToolPanel.top(),
            tool.place.size, tool.place.size);
        button->setAutoRaise(true);
        // Clicking a tool leaves the focus, caret and selection in the page text.
        button->setFocusPolicy(Qt::NoFocus);
        button->setToolTip(QLatin1String(tool.hint));
        button->setAccessibleName(QLatin1String(tool.hint));
        if (tool.icon) {
            button->setIcon(Assets::icon(tool.icon));
            button->setIconSize(QSize(20, 20));
        } else {
            // A tool button reads "&" as the mark of a shortcut letter.
            button->setText(
                QString::fromUtf8(tool.label).replace(QLatin1Char('&'), QStringLiteral("&&")));
        }
        const Editor::ToolId id = tool.id;
        connect(button, &QToolButton::clicked, this, [this, id] { runTool(id); });
        m_toolButtons[static_cast<std::size_t>(tool.id)] = button;
    }
}

void PageEditor::createButtons()
{
    const auto makeButton = [this](const char *name, const QString &text, QRect place) {
        auto *button = new QPushButton(text, this);
        button->setObjectName(QLatin1String(name));
        button->setGeometry(place);
        // No button is the default one: Enter always reaches the page text.
        button->setAutoDefault(false);
        button->setDefault(false);
        return button;
    };
    m_toggle
        = makeButton("BitBtn2", QStringLiteral("&Show Basic Tools Only"), QRect(489, 322, 137, 25));
    m_toggle->setAccessibleName(QStringLiteral("Show Basic Tools Only"));
    connect(m_toggle, &QPushButton::clicked, this, &PageEditor::toggleAdvancedTools);

    m_close = makeButton("BitBtn1", QStringLiteral("&Close"), QRect(488, 352, 57, 25));
    m_close->setAccessibleName(QStringLiteral("Close"));
    connect(m_close, &QPushButton::clicked, this, &PageEditor::closeEditor);

    m_help = makeButton("BitBtn8", QStringLiteral("&Help"), QRect(552, 352, 73, 25));
    m_help->setIcon(Assets::icon("help"));
    m_help->setToolTip(QStringLiteral("Open help on this topic"));
    m_help->setAccessibleName(QStringLiteral("Help"));
    m_help->setAccessibleDescription(QStringLiteral("Open help on this topic"));
    connect(m_help, &QPushButton::clicked, this, &PageEditor::showHelp);
}

QAction *PageEditor::addWindowAction(
    const char *objectName, const QString &text, const char *icon, const QKeySequence &shortcut)
{
    auto *action = new QAction(text, this);
    action->setObjectName(QLatin1String(objectName));
    if (icon)
        action->setIcon(Assets::icon(icon));
    action->setShortcut(shortcut);
    // Added to the window itself, so that its shortcut works with the menu closed.
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    return action;
}

void PageEditor::createContextMenu()
{
    m_contextMenu = new QMenu(this);
    m_contextMenu->setObjectName(QStringLiteral("PopupMenu1"));

    QMenu *quickInsert = m_contextMenu->addMenu(QStringLiteral("Quick Insert"));
    quickInsert->setObjectName(QStringLiteral("QuickInsert1"));
    int group = 0;
    for (const Editor::ToolInfo &tool : Editor::Tools) {
        if (!tool.quickInsert.text)
            continue;
        if (group != 0 && tool.quickInsert.group != group)
            quickInsert->addSeparator();
        group = tool.quickInsert.group;
        QAction *entry = addWindowAction(menuItemName(tool.quickInsert.text).toLatin1().constData(),
            QLatin1String(tool.quickInsert.text), nullptr,
            QKeySequence(QLatin1String(tool.quickInsert.shortcut)));
        const Editor::ToolId id = tool.id;
        connect(entry, &QAction::triggered, this, [this, id] { runTool(id); });
        quickInsert->addAction(entry);
    }

    QAction *toggle = addWindowAction("ToggleShowTools1", QStringLiteral("Toggle Show Tools"),
        nullptr, QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(toggle, &QAction::triggered, this, &PageEditor::toggleAdvancedTools);
    m_contextMenu->addAction(toggle);
    m_contextMenu->addSeparator();

    m_undo = addWindowAction(
        "Undo1", QStringLiteral("&Undo"), "edit-undo", QKeySequence(Qt::ALT | Qt::Key_Backspace));
    m_cut = addWindowAction(
        "Cut1", QStringLiteral("Cu&t"), "edit-cut", QKeySequence(Qt::CTRL | Qt::Key_X));
    m_copy = addWindowAction(
        "Copy1", QStringLiteral("&Copy"), "edit-copy", QKeySequence(Qt::CTRL | Qt::Key_C));
    m_paste = addWindowAction(
        "Paste1", QStringLiteral("&Paste"), "edit-paste", QKeySequence(Qt::CTRL | Qt::Key_V));
    m_selectAll
        = addWindowAction("SelectAll1", QStringLiteral("Select &All"), nullptr, QKeySequence());
    m_delete = addWindowAction(
        "Delete1", QStringLiteral("&Delete"), "edit-delete", QKeySequence(Qt::Key_Delete));
    m_contextMenu->addAction(m_undo);
    m_contextMenu->addSeparator();
    m_contextMenu->addAction(m_cut);
    m_contextMenu->addAction(m_copy);
    m_contextMenu->addAction(m_paste);
    m_contextMenu->addAction(m_selectAll);
    m_contextMenu->addSeparator();
    m_contextMenu->addAction(m_delete);

    // Each command runs on the page text that has the focus when it is chosen; the enabled
    // states have just been brought up to date for that text.
    const auto onFocusedPage = [this](QAction *action, void (*command)(PageText *)) {
        connect(action, &QAction::triggered, this, [this, command] {
            if (PageText *page = focusedPage())
                command(page);
            refreshEditCommands();
        });
    };
    onFocusedPage(m_undo, [](PageText *page) { page->undo(); });
    onFocusedPage(m_cut, [](PageText *page) { page->cut(); });
    onFocusedPage(m_copy, [](PageText *page) { page->copy(); });
    onFocusedPage(m_paste, [](PageText *page) { page->paste(); });
    onFocusedPage(m_selectAll, [](PageText *page) { page->selectAll(); });
    // Delete removes the selection only; with nothing selected the command is off and Del
    // reaches the text as an ordinary key.
    onFocusedPage(m_delete, [](PageText *page) { page->textCursor().removeSelectedText(); });

    connect(m_contextMenu, &QMenu::aboutToShow, this, &PageEditor::refreshEditCommands);
    connect(qApp, &QApplication::focusChanged, this, &PageEditor::refreshEditCommands);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
        &PageEditor::refreshEditCommands);
    refreshEditCommands();
}

PageText *PageEditor::focusedPage() const
{
    for (PageText *page : m_pages) {
        if (page->hasFocus())
            return page;
    }
    return nullptr;
}

void PageEditor::refreshEditCommands()
{
    const PageText *page = focusedPage();
    const bool selection = page && page->textCursor().hasSelection();
    m_undo->setEnabled(page && page->document()->isUndoAvailable());
    m_cut->setEnabled(selection);
    m_copy->setEnabled(selection);
    m_paste->setEnabled(page && clipboardHasText());
    m_selectAll->setEnabled(page && !page->document()->isEmpty());
    m_delete->setEnabled(selection);
}

void PageEditor::showContextMenu(const QPoint &globalPosition)
{
    refreshEditCommands();
    m_contextMenu->popup(globalPosition);
}

void PageEditor::contextMenuEvent(QContextMenuEvent *event) { showContextMenu(event->globalPos()); }

void PageEditor::keyPressEvent(QKeyEvent *event)
{
    // Escape is bound to nothing here; only "&Close" and the close box close the window.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void PageEditor::showEvent(QShowEvent *event)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void PageEditor::selectPage(PageId page)
{
    const Model::PageInfo &info = Model::pageInfo(page);
    m_pageArea->setCurrentIndex(page - 1);
    setWindowTitle(asciiText(info.editorCaption));
}

void PageEditor::openOnPage(PageId page)
{
    selectPage(page);
    exec();
}

PageId PageEditor::shownPage() const { return m_pageArea->currentIndex() + 1; }

std::string PageEditor::pageText(PageId page) const { return pageControl(page)->body(); }

void PageEditor::setPageText(PageId page, const std::string &body)
{
    pageControl(page)->setBody(body);
}

bool PageEditor::textsEdited() const
{
    return std::any_of(m_pages.begin(), m_pages.end(),
        [](const PageText *page) { return page->document()->isModified(); });
}

void PageEditor::markTextsSaved()
{
    for (PageText *page : m_pages)
        page->document()->setModified(false);
}

PageText *PageEditor::pageControl(PageId page) const
{
    return m_pages.at(static_cast<std::size_t>(page - 1));
}

void PageEditor::closeEditor() { close(); }

void PageEditor::showHelp()
{
    // Joined as they stand: at the root the path starts with two slashes.
    m_dialogs.openDocument(m_homeDir + "/help/con6.html");
}

void PageEditor::toggleAdvancedTools()
{
    m_basicToolsOnly = !m_basicToolsOnly;
    m_toggle->setText(m_basicToolsOnly ? QStringLiteral("&Show All Tools")
                                       : QStringLiteral("&Show Basic Tools Only"));
    m_toggle->setAccessibleName(m_basicToolsOnly ? QStringLiteral("Show All Tools")
                                                 : QStringLiteral("Show Basic Tools Only"));
    // The hidden tools leave their places empty; nothing moves.
    for (const Editor::ToolInfo &tool : Editor::Tools) {
        if (tool.set == Editor::ToolSet::Advanced)
            m_toolButtons[static_cast<std::size_t>(tool.id)]->setVisible(!m_basicToolsOnly);
    }
}

void PageEditor::runTool(Editor::ToolId tool)
{
    Editor::runTool(tool, *pageControl(shownPage()), m_dialogs);
}

} // namespace Editor
