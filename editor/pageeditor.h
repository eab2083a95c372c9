#pragma once

#include "editor/tooltable.h"
#include "platform/dialogs.h"
#include "project/projectsession.h"

#include <QDialog>

#include <array>
#include <string>

class QAction;
class QMenu;
class QPushButton;
class QStackedWidget;
class QToolButton;

namespace Widgets {
class EditCommands;
}

namespace Editor {

class PageText;

/// The page editor: the fourteen page bodies, one shown at a time, beside the toolbox of
/// markup tools. Created once at start-up and only shown and hidden afterwards, so every
/// body keeps its text, caret and scroll position from one opening to the next. Its texts are
/// the only home of the page bodies.
class PageEditor : public QDialog, public Model::PageBodyHolder
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
    /// Replaces the whole body of a page.
    void setPageText(Model::PageId page, const std::string &body) override;
    /// Whether any page text was edited since markTextsSaved.
    bool textsEdited() const override;
    /// The texts as they are now count as saved.
    void markTextsSaved() override;
    /// The text control of a page.
    Editor::PageText *pageControl(Model::PageId page) const;

    /// True while the toggle button says "&Show All Tools".
    bool basicToolsOnly() const { return m_basicToolsOnly; }

    // Commands.
    /// "&Close": hides the window; nothing is saved, reverted or asked.
    void closeEditor();
    /// "&Help": the page editor's help topic.
    void showHelp();
    /// The toggle button and "Toggle Show Tools": hides or shows the twelve advanced tools.
    void toggleAdvancedTools();
    /// A toolbox button or Quick Insert entry: the tool runs on the shown page's text.
    void runTool(Editor::ToolId tool);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void createPageArea();
    void createToolbox();
    void createButtons();
    void createContextMenu();
    void showContextMenu(const QPoint &globalPosition);

    Platform::Dialogs &m_dialogs;
    std::string m_homeDir;
    bool m_basicToolsOnly = false;

    QStackedWidget *m_pageArea = nullptr;
    std::array<Editor::PageText *, Model::PageCount> m_pages {};
    std::array<QToolButton *, Editor::Tools.size()> m_toolButtons {};
    QPushButton *m_close = nullptr;
    QPushButton *m_toggle = nullptr;
    QPushButton *m_help = nullptr;
    QMenu *m_contextMenu = nullptr;
    Widgets::EditCommands *m_editCommands = nullptr;
};

} // namespace Editor
