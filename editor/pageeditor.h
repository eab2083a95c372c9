#pragma once

#include "editor/filereference.h"
#include "editor/tooltable.h"
#include "platform/dialogs.h"
#include "project/projectsession.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QMenu;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;

namespace Widgets {
class EditCommands;
}

namespace Editor {

class PageText;
class PreviewPane;

/// The page editor: the fourteen page bodies, one shown at a time, beside the toolbox of
/// markup tools. Made when first opened and only shown and hidden afterwards, so every
/// body keeps its text, caret and scroll position from one opening to the next. The project
/// session holds the bodies: every edit is reported to it, and it takes the edited text only
/// when it needs the body. A body handed over stays as it came until its page is
/// first shown (or its text control is asked for): only then is the text control filled, so
/// opening a project of large pages does not lay them all out.
class PageEditor : public QDialog, public Model::PageBodyEditor
{
    Q_OBJECT
public:
    PageEditor(Platform::Dialogs &dialogs, std::string homeDir, QWidget *parent = nullptr);
    ~PageEditor() override;

    /// Shows the page's text with the caption "Editing Page - <caption>" and runs the window
    /// modally until the user closes it.
    void openOnPage(Model::PageId page);
    /// Makes the page's text the shown one and sets the caption, without showing the window.
    void selectPage(Model::PageId page);
    Model::PageId shownPage() const;

    /// The whole body of a page (Windows-1252, CR LF line breaks).
    std::string pageText(Model::PageId page) const override;
    /// The text of a page now, taken in a moment however large; made into bytes when asked.
    std::shared_ptr<const Model::BodyText> pageTextNow(Model::PageId page) const override;
    /// Replaces the whole body of a page; the attached session hears of it as of an edit.
    void setPageText(Model::PageId page, const std::string &body) override;
    /// The texts as they are now count as saved.
    void markTextsSaved() override;
    /// The text control of a page, filled with its body.
    Editor::PageText *pageControl(Model::PageId page) const;

    /// True while the toggle button says "&Show All Tools".
    bool basicToolsOnly() const { return m_basicToolsOnly; }
    /// Whether long lines wrap at the text's right edge; wrapping shows the text only and
    /// never changes its bytes.
    bool wordWrap() const;

    // Commands.
    /// "&Close": hides the window; nothing is saved, reverted or asked.
    void closeEditor();
    /// Where the project file is now (empty for a project never saved): the picture and link
    /// tools and dropped files copy files beside it.
    void setProjectFileSource(std::function<std::string()> projectFile);
    /// Who saves a project never saved when a picture or file is to be copied beside it (the
    /// user is asked first); without one the user is told to save first.
    void setProjectSaver(Editor::SaveFirst saver);
    /// The site's own pages (those ticked now), which the link tool offers to link to.
    void setSitePagesSource(std::function<std::vector<Platform::LocationChoice>()> sitePages);
    /// Files dropped on the shown text: each one's picture or link markup at the caret, the
    /// files brought beside the project file as the picture tool does.
    void insertFiles(const QStringList &paths);
    /// Who shows a page as publishing would write it; Preview does nothing until one is set.
    void setPreviewer(std::function<void(Model::PageId)> previewer);
    /// "Preview" (the button beside the toolbox title, F12 and the context menu): the shown
    /// page as publishing would write it, in the desktop's browser.
    void previewPage();
    /// "Live Preview" (the toolbar button and Ctrl+Shift+P): shows or hides the live preview
    /// beside the page text; remembered for the next start of the program.
    void setLivePreviewShown(bool shown);
    bool livePreviewShown() const;
    /// The live preview pane, made with the window and shown when asked for.
    Editor::PreviewPane *previewPane() const { return m_previewPane; }
    /// The session whose project the live preview publishes, and where the preview's browser
    /// module is looked for.
    void attachLivePreview(Model::ProjectSession &session, QStringList modulePlaces);
    /// "&Help": the page editor's help topic.
    void showHelp();
    /// The toggle button and "Toggle Show Tools": hides or shows the twelve advanced tools.
    void toggleAdvancedTools();
    /// A toolbox button or Quick Insert entry: the tool runs on the shown page's text.
    void runTool(Editor::ToolId tool);
    /// "Word Wrap": wraps long lines in every page text or stops it; remembered for the next
    /// start of the program.
    void setWordWrap(bool wrap);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createPageArea();
    void createToolbox(QVBoxLayout *column);
    void fillToolPanel(QFrame *panel);
    QToolButton *makeToolButton(const Editor::ToolInfo &tool, QWidget *panel);
    void createButtons(QVBoxLayout *column);
    void createContextMenu();
    void showContextMenu(const QPoint &globalPosition);
    void applyWordWrap(bool wrap);
    std::string projectFile() const;
    /// A page's text changed: the session hears of it unless the change is the editor's own.
    void textChanged(Model::PageId page);

    Platform::Dialogs &m_dialogs;
    std::string m_homeDir;
    bool m_basicToolsOnly = false;

    QStackedWidget *m_pageArea = nullptr;
    std::array<Editor::PageText *, Model::PageCount> m_pages {};
    /// Bodies handed over but not yet put into their text controls.
    mutable std::array<std::shared_ptr<const Model::BodyText>, Model::PageCount> m_unfilledBodies;
    /// True while a text is filled with a body the session already has.
    mutable bool m_fillingText = false;
    std::array<QToolButton *, Editor::Tools.size()> m_toolButtons {};
    QPushButton *m_close = nullptr;
    QPushButton *m_toggle = nullptr;
    QPushButton *m_help = nullptr;
    QToolButton *m_preview = nullptr;
    QToolButton *m_livePreviewButton = nullptr;
    QAction *m_livePreview = nullptr;
    Editor::PreviewPane *m_previewPane = nullptr;
    QSplitter *m_splitter = nullptr;
    std::function<void(Model::PageId)> m_previewer;
    std::function<std::string()> m_projectFile;
    Editor::SaveFirst m_projectSaver;
    std::function<std::vector<Platform::LocationChoice>()> m_sitePages;
    QMenu *m_contextMenu = nullptr;
    QAction *m_wordWrap = nullptr;
    Widgets::EditCommands *m_editCommands = nullptr;
};

} // namespace Editor
