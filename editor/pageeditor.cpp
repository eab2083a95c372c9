#include "editor/pageeditor.h"

#include "editor/markuptools.h"
#include "editor/pagetext.h"

#include "assets/icons.h"
#include "widgets/cp1252text.h"
#include "widgets/editcommands.h"
#include "widgets/panelparts.h"
#include "widgets/runcommand.h"
#include "widgets/windowbehaviour.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
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
    Widgets::centreWhenShown(this);
    // Escape is bound to nothing here; only "&Close" and the close box close the window.
    Widgets::ignoreEscape(this);
}

PageEditor::~PageEditor()
{
    // The texts change while the window's parts are taken down; by then this object is no
    // longer a whole window to tell.
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
        page->setAccessibleName(Widgets::fromCp1252(info.caption));
        page->setWindowTitle(Widgets::fromCp1252(info.caption));
        connect(page, &PageText::contextMenuWanted, this, &PageEditor::showContextMenu);
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
    Widgets::fillPanel(band, Widgets::Grey::Silver);
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

    m_help = Widgets::makeHelpButton(this, QStringLiteral("BitBtn8"));
    m_help->setFixedSize(73, 25);
    m_help->move(552, 352);
    m_help->setAutoDefault(false);
    m_help->setDefault(false);
    connect(m_help, &QPushButton::clicked, this, &PageEditor::showHelp);
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
        QAction *entry = Widgets::addWindowAction(this,
            menuItemName(tool.quickInsert.text).toLatin1().constData(),
            QLatin1String(tool.quickInsert.text), nullptr,
            QKeySequence(QLatin1String(tool.quickInsert.shortcut)));
        const Editor::ToolId id = tool.id;
        connect(entry, &QAction::triggered, this, [this, id] { runTool(id); });
        quickInsert->addAction(entry);
    }

    QAction *toggle = Widgets::addWindowAction(this, "ToggleShowTools1",
        QStringLiteral("Toggle Show Tools"), nullptr, QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(toggle, &QAction::triggered, this, &PageEditor::toggleAdvancedTools);
    m_contextMenu->addAction(toggle);
    m_contextMenu->addSeparator();

    // The edit commands act on the page text that has the focus; the only text controls here
    // are the page texts.
    m_editCommands = new Widgets::EditCommands(this);
    m_editCommands->addTo(m_contextMenu);
    connect(m_contextMenu, &QMenu::aboutToShow, m_editCommands, &Widgets::EditCommands::refresh);
}

void PageEditor::showContextMenu(const QPoint &globalPosition)
{
    m_editCommands->refresh();
    m_contextMenu->popup(globalPosition);
}

void PageEditor::contextMenuEvent(QContextMenuEvent *event) { showContextMenu(event->globalPos()); }

void PageEditor::selectPage(PageId page)
{
    const Model::PageInfo &info = Model::pageInfo(page);
    m_pageArea->setCurrentIndex(page - 1);
    setWindowTitle(Widgets::fromCp1252(info.editorCaption));
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

void PageEditor::closeEditor()
{
    Widgets::runCommand(m_dialogs, [this] { close(); });
}

void PageEditor::showHelp()
{
    // Joined as they stand: at the root the path starts with two slashes.
    Widgets::runCommand(
        m_dialogs, [this] { m_dialogs.openDocument(m_homeDir + "/help/con6.html"); });
}

void PageEditor::toggleAdvancedTools()
{
    Widgets::runCommand(m_dialogs, [this] {
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
    });
}

void PageEditor::runTool(Editor::ToolId tool)
{
    Widgets::runCommand(
        m_dialogs, [&] { Editor::runTool(tool, *pageControl(shownPage()), m_dialogs); });
}

} // namespace Editor
