#include "editor/pageeditor.h"

#include "editor/filereference.h"
#include "editor/markuptools.h"
#include "editor/pagetext.h"
#include "editor/previewpane.h"

#include "assets/icons.h"
#include "widgets/cp1252text.h"
#include "widgets/editcommands.h"
#include "widgets/panelparts.h"
#include "widgets/runcommand.h"
#include "widgets/windowbehaviour.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStackedWidget>
#include <QTextDocument>
#include <QToolButton>

#include <algorithm>
#include <map>
#include <vector>

namespace Editor {

using Editor::PageText;
using Model::PageId;

namespace {

constexpr QSize ClientSize(626, 378);
// The page area's design size: a larger font widens the toolbox and the window, not the
// page area's share of it.
constexpr QSize PageAreaSize(481, 369);
// The toolbox column's design width and its separators' design places, in window coordinates
// as the tool table's places are.
constexpr int ToolboxWidth = 137;
constexpr int ToolPanelTop = 36;
constexpr int ToolPanelLeft = 488;
// Where the page editor's choices are remembered between two starts of the program.
QSettings editorSettings()
{
    return QSettings(QStringLiteral("corvanta"), QStringLiteral("editor"));
}
const QString WordWrapKey = QStringLiteral("wordWrap");
const QString LivePreviewKey = QStringLiteral("livePreview");
// The width the live preview pane takes when it is first shown.
constexpr int PreviewPaneWidth = 440;

// The thin lines between the toolbox's groups, in window coordinates.
constexpr int SeparatorTops[] = { 98, 134, 170, 206, 254 };
constexpr int SeparatorHeight = 2;

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
    // The design's eight-point face beside a nine-point desktop font, scaled with that font.
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(QApplication::font().pointSizeF() * 8.0 / 9.0);
    setFont(font);

    createPageArea();
    auto *toolColumn = new QWidget(this);
    toolColumn->setObjectName(QStringLiteral("toolColumn"));
    auto *column = new QVBoxLayout(toolColumn);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    createToolbox(column);
    column->addStretch(1);
    createButtons(column);
    Widgets::keepAtLeast(toolColumn, QSize(ToolboxWidth, 0));
    toolColumn->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);

    // The page area takes whatever room the window gains.
    auto *pageColumn = new QVBoxLayout;
    pageColumn->setContentsMargins(0, 4, 0, 0);
    pageColumn->addWidget(m_splitter);
    auto *window = new QHBoxLayout(this);
    window->setContentsMargins(0, 4, 1, 1);
    window->setSpacing(7);
    window->addLayout(pageColumn, 1);
    window->addWidget(toolColumn);
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
    applyWordWrap(editorSettings().value(WordWrapKey, true).toBool());
    // Only the pane shows: its browser loads once the window is on screen.
    const bool livePreview = editorSettings().value(LivePreviewKey, false).toBool();
    m_livePreview->setChecked(livePreview);
    m_livePreviewButton->setChecked(livePreview);
    m_previewPane->setVisible(livePreview);
    Widgets::rememberPlace(this, ClientSize);
    // Escape is bound to nothing here; only "&Close" and the close box close the window.
    Widgets::ignoreEscape(this);
}

PageEditor::~PageEditor()
{
    // The texts change while the window's parts are taken down; by then this object is no
    // longer a whole window to tell.
    for (PageText *page : m_pages) {
        disconnect(page, nullptr, this, nullptr);
        disconnect(page->document(), nullptr, this, nullptr);
    }
}

void PageEditor::createPageArea()
{
    // A stack has no tabs: the user cannot switch pages here, only the organiser can.
    m_pageArea = new QStackedWidget(this);
    m_pageArea->setObjectName(QStringLiteral("PageControl1"));
    m_pageArea->setMinimumSize(PageAreaSize);
    for (const Model::PageInfo &info : Model::PageCatalogue) {
        auto *page = new PageText(m_pageArea);
        page->setObjectName(QStringLiteral("memo%1").arg(info.id));
        page->setAccessibleName(Widgets::fromCp1252(info.caption));
        page->setWindowTitle(Widgets::fromCp1252(info.caption));
        connect(page, &PageText::contextMenuWanted, this, &PageEditor::showContextMenu);
        connect(page, &PageText::filesDropped, this, &PageEditor::insertFiles);
        connect(page->document(), &QTextDocument::contentsChanged, this,
            [this, id = info.id] { textChanged(id); });
        m_pageArea->addWidget(page);
        m_pages[static_cast<std::size_t>(info.id - 1)] = page;
    }
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("pageAndPreview"));
    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(m_pageArea);
    m_previewPane = new PreviewPane(m_splitter);
    m_previewPane->setMinimumWidth(200);
    m_previewPane->hide();
    m_splitter->addWidget(m_previewPane);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 1);
}

void PageEditor::createToolbox(QVBoxLayout *column)
{
    auto *band = new QFrame(this);
    band->setObjectName(QStringLiteral("Panel1"));
    band->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Widgets::fillPanel(band, QPalette::Midlight);
    auto *title = new QLabel(QStringLiteral("Toolbox"), band);
    title->setObjectName(QStringLiteral("Label1"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);

    m_preview = new QToolButton(band);
    m_preview->setObjectName(QStringLiteral("PreviewButton"));
    m_preview->setFixedSize(25, 25);
    m_preview->setAutoRaise(true);
    m_preview->setFocusPolicy(Qt::NoFocus);
    m_preview->setIcon(Assets::icon("menu-website"));
    m_preview->setIconSize(QSize(20, 20));
    m_preview->setToolTip(QStringLiteral("Preview this page (F12)"));
    m_preview->setAccessibleName(QStringLiteral("Preview"));
    connect(m_preview, &QToolButton::clicked, this, &PageEditor::previewPage);
    auto *bandRow = new QHBoxLayout(band);
    bandRow->setContentsMargins(3, 3, 3, 3);
    bandRow->setSpacing(19);
    m_livePreviewButton = new QToolButton(band);
    m_livePreviewButton->setObjectName(QStringLiteral("LivePreviewButton"));
    m_livePreviewButton->setFixedSize(25, 25);
    m_livePreviewButton->setAutoRaise(true);
    m_livePreviewButton->setFocusPolicy(Qt::NoFocus);
    m_livePreviewButton->setIcon(Assets::icon("template-viewer"));
    m_livePreviewButton->setIconSize(QSize(20, 20));
    m_livePreviewButton->setCheckable(true);
    m_livePreviewButton->setToolTip(QStringLiteral("Live preview beside the text (Ctrl+Shift+P)"));
    m_livePreviewButton->setAccessibleName(QStringLiteral("Live Preview"));
    connect(m_livePreviewButton, &QToolButton::clicked, this, &PageEditor::setLivePreviewShown);
    bandRow->addWidget(m_preview);
    bandRow->addWidget(title, 1);
    bandRow->addWidget(m_livePreviewButton);
    Widgets::keepAtLeast(band, QSize(0, 33));
    column->addWidget(band);

    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel2"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    column->addWidget(panel);
    fillToolPanel(panel);
}

void PageEditor::fillToolPanel(QFrame *panel)
{
    // The tool table gives each button its design place; buttons sharing a top form a row,
    // and the gaps between rows and buttons stay as designed while larger texts push on.
    std::map<int, std::vector<const Editor::ToolInfo *>> rows;
    for (const Editor::ToolInfo &tool : Editor::Tools)
        rows[tool.place.top].push_back(&tool);
    auto *layout = new QVBoxLayout(panel);
    const int firstTop = rows.begin()->first;
    // Inside the panel's one-pixel frame, which the panel's top is a pixel below its design place.
    layout->setContentsMargins(0, firstTop - ToolPanelTop - 2, 0, 6);
    layout->setSpacing(0);
    int previousBottom = firstTop;
    for (auto &[rowTop, tools] : rows) {
        const int top = rowTop; // a name the lambda below can take
        std::sort(
            tools.begin(), tools.end(), [](const Editor::ToolInfo *a, const Editor::ToolInfo *b) {
                return a->place.left < b->place.left;
            });
        const auto separator = std::find_if(std::begin(SeparatorTops), std::end(SeparatorTops),
            [&](int line) { return line >= previousBottom && line < top; });
        if (separator != std::end(SeparatorTops)) {
            layout->addSpacing(*separator - previousBottom);
            auto *line = new QFrame(panel);
            line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
            line->setFixedHeight(SeparatorHeight);
            layout->addWidget(line);
            layout->addSpacing(top - *separator - SeparatorHeight);
        } else if (top != firstTop) {
            layout->addSpacing(top - previousBottom);
        }
        auto *row = new QHBoxLayout;
        row->setSpacing(0);
        int right = ToolPanelLeft + 1;
        for (const Editor::ToolInfo *tool : tools) {
            row->addSpacing(tool->place.left - right);
            QToolButton *button = makeToolButton(*tool, panel);
            row->addWidget(button);
            right = tool->place.left + tool->place.size;
        }
        row->addSpacing(ToolPanelLeft + ToolboxWidth - 1 - right);
        row->addStretch(1);
        layout->addLayout(row);
        previousBottom = top + tools.front()->place.size;
    }
}

QToolButton *PageEditor::makeToolButton(const Editor::ToolInfo &tool, QWidget *panel)
{
    auto *button = new QToolButton(panel);
    button->setObjectName(QLatin1String(tool.buttonName));
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
    Widgets::fixButtonSize(button, QSize(tool.place.size, tool.place.size));
    // The hidden advanced tools leave their places empty; nothing moves.
    QSizePolicy policy = button->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    button->setSizePolicy(policy);
    const Editor::ToolId id = tool.id;
    connect(button, &QToolButton::clicked, this, [this, id] { runTool(id); });
    m_toolButtons[static_cast<std::size_t>(tool.id)] = button;
    return button;
}

void PageEditor::createButtons(QVBoxLayout *column)
{
    const auto makeButton = [this](const char *name, const QString &text, QSize size) {
        auto *button = new QPushButton(text, this);
        button->setObjectName(QLatin1String(name));
        Widgets::fixButtonSize(button, size);
        // No button is the default one: Enter always reaches the page text.
        button->setAutoDefault(false);
        button->setDefault(false);
        return button;
    };
    m_toggle = makeButton("BitBtn2", QStringLiteral("&Show Basic Tools Only"), QSize(137, 25));
    // Wide enough for the other caption it takes.
    m_toggle->setText(QStringLiteral("&Show All Tools"));
    Widgets::fixButtonSize(m_toggle, m_toggle->size());
    m_toggle->setText(QStringLiteral("&Show Basic Tools Only"));
    m_toggle->setAccessibleName(QStringLiteral("Show Basic Tools Only"));
    connect(m_toggle, &QPushButton::clicked, this, &PageEditor::toggleAdvancedTools);

    m_close = makeButton("BitBtn1", QStringLiteral("&Close"), QSize(57, 25));
    m_close->setAccessibleName(QStringLiteral("Close"));
    connect(m_close, &QPushButton::clicked, this, &PageEditor::closeEditor);

    m_help = Widgets::makeHelpButton(this, QStringLiteral("BitBtn8"));
    Widgets::fixButtonSize(m_help, QSize(73, 25));
    m_help->setAutoDefault(false);
    m_help->setDefault(false);
    connect(m_help, &QPushButton::clicked, this, &PageEditor::showHelp);

    column->addSpacing(3);
    column->addWidget(m_toggle, 0, Qt::AlignRight);
    column->addSpacing(5);
    auto *row = new QHBoxLayout;
    row->setSpacing(7);
    row->addWidget(m_close);
    row->addStretch(1);
    row->addWidget(m_help);
    column->addLayout(row);
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

    m_wordWrap = Widgets::addWindowAction(
        this, "WordWrap1", QStringLiteral("Word Wrap"), nullptr, QKeySequence());
    m_wordWrap->setCheckable(true);
    connect(m_wordWrap, &QAction::triggered, this, &PageEditor::setWordWrap);
    m_contextMenu->addAction(m_wordWrap);

    QAction *preview = Widgets::addWindowAction(
        this, "Preview1", QStringLiteral("Preview"), nullptr, QKeySequence(Qt::Key_F12));
    connect(preview, &QAction::triggered, this, &PageEditor::previewPage);
    m_contextMenu->addAction(preview);
    m_livePreview = Widgets::addWindowAction(this, "LivePreview1", QStringLiteral("Live Preview"),
        nullptr, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    m_livePreview->setCheckable(true);
    connect(m_livePreview, &QAction::triggered, this, &PageEditor::setLivePreviewShown);
    m_contextMenu->addAction(m_livePreview);
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

void PageEditor::showEvent(QShowEvent *event)
{
    pageControl(shownPage());
    QDialog::showEvent(event);
}

void PageEditor::selectPage(PageId page)
{
    const Model::PageInfo &info = Model::pageInfo(page);
    if (isVisible())
        pageControl(page);
    m_pageArea->setCurrentIndex(page - 1);
    m_previewPane->showEditorPage(page, m_pages[static_cast<std::size_t>(page - 1)]);
    setWindowTitle(Widgets::fromCp1252(info.editorCaption));
}

void PageEditor::openOnPage(PageId page)
{
    selectPage(page);
    exec();
}

PageId PageEditor::shownPage() const { return m_pageArea->currentIndex() + 1; }

std::string PageEditor::pageText(PageId page) const { return pageTextNow(page)->bytes(); }

std::shared_ptr<const Model::BodyText> PageEditor::pageTextNow(PageId page) const
{
    const auto index = static_cast<std::size_t>(page - 1);
    if (m_unfilledBodies.at(index))
        return m_unfilledBodies[index];
    return m_pages[index]->bodyNow();
}

void PageEditor::setPageText(PageId page, const std::string &body)
{
    const auto index = static_cast<std::size_t>(page - 1);
    m_fillingText = true;
    if (isVisible() && page == shownPage()) {
        m_unfilledBodies[index].reset();
        m_pages[index]->setBody(body);
    } else {
        // The old text goes now, so that it neither counts as edited nor holds its memory.
        if (!m_pages[index]->document()->isEmpty())
            m_pages[index]->setBody({});
        m_unfilledBodies[index] = Model::bodyTextOf(body);
    }
    m_fillingText = false;
    reportEdit(page, false);
}

void PageEditor::textChanged(PageId page)
{
    if (!m_fillingText)
        reportEdit(page, m_pages[static_cast<std::size_t>(page - 1)]->document()->isModified());
}

void PageEditor::markTextsSaved()
{
    for (PageText *page : m_pages)
        page->document()->setModified(false);
}

PageText *PageEditor::pageControl(PageId page) const
{
    const auto index = static_cast<std::size_t>(page - 1);
    PageText *control = m_pages.at(index);
    if (std::shared_ptr<const Model::BodyText> &body = m_unfilledBodies[index]) {
        m_fillingText = true;
        control->setBody(body->bytes());
        m_fillingText = false;
        body.reset();
    }
    return control;
}

void PageEditor::closeEditor()
{
    Widgets::runCommand(m_dialogs, [this] { close(); });
}

void PageEditor::setPreviewer(std::function<void(Model::PageId)> previewer)
{
    m_previewer = std::move(previewer);
}

void PageEditor::previewPage()
{
    Widgets::runCommand(m_dialogs, [this] {
        if (m_previewer)
            m_previewer(shownPage());
    });
}

void PageEditor::setLivePreviewShown(bool shown)
{
    Widgets::runCommand(m_dialogs, [this, shown] {
        m_livePreview->setChecked(shown);
        m_livePreviewButton->setChecked(shown);
        editorSettings().setValue(LivePreviewKey, shown);
        if (shown == m_previewPane->isVisible())
            return;
        // The window grows by the pane and gives it back, so the text keeps its width.
        const bool grow = isVisible() && !isMaximized() && !isFullScreen();
        const int paneWidth = shown ? PreviewPaneWidth : m_previewPane->width();
        m_previewPane->setVisible(shown);
        if (shown)
            m_splitter->setSizes({ m_pageArea->width(), PreviewPaneWidth });
        if (grow)
            resize(width() + (shown ? paneWidth : -paneWidth), height());
    });
}

bool PageEditor::livePreviewShown() const { return m_livePreview->isChecked(); }

void PageEditor::attachLivePreview(Model::ProjectSession &session, QStringList modulePlaces)
{
    m_previewPane->attach(session, m_homeDir, std::move(modulePlaces));
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

bool PageEditor::wordWrap() const { return m_wordWrap->isChecked(); }

void PageEditor::applyWordWrap(bool wrap)
{
    m_wordWrap->setChecked(wrap);
    for (PageText *page : m_pages)
        page->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void PageEditor::setWordWrap(bool wrap)
{
    Widgets::runCommand(m_dialogs, [this, wrap] {
        applyWordWrap(wrap);
        editorSettings().setValue(WordWrapKey, wrap);
    });
}

void PageEditor::runTool(Editor::ToolId tool)
{
    Widgets::runCommand(m_dialogs, [&] {
        Editor::runTool(tool, *pageControl(shownPage()), m_dialogs, projectFile(),
            m_sitePages ? m_sitePages() : std::vector<Platform::LocationChoice> {}, m_projectSaver);
    });
}

void PageEditor::setSitePagesSource(
    std::function<std::vector<Platform::LocationChoice>()> sitePages)
{
    m_sitePages = std::move(sitePages);
}

void PageEditor::setProjectFileSource(std::function<std::string()> projectFile)
{
    m_projectFile = std::move(projectFile);
}

void PageEditor::setProjectSaver(Editor::SaveFirst saver) { m_projectSaver = std::move(saver); }

std::string PageEditor::projectFile() const
{
    return m_projectFile ? m_projectFile() : std::string();
}

void PageEditor::insertFiles(const QStringList &paths)
{
    Widgets::runCommand(m_dialogs, [&] {
        PageText &text = *pageControl(shownPage());
        for (const QString &path : paths) {
            const std::optional<std::string> reference
                = referToFile(Widgets::toCp1252(path), projectFile(), m_dialogs, m_projectSaver);
            if (reference)
                text.replaceSelection(markupForFile(*reference));
            else if (projectFile().empty())
                break; // not saved: the other files would ask the same again
        }
        text.focus();
    });
}

} // namespace Editor
