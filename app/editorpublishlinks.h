#pragma once

#include "project/project.h"

namespace Editor {
class PageEditor;
}
namespace Model {
class ProjectSession;
}

namespace App {

class MainWindow;

/// Plugs in the page editor: it becomes the editor of the session's page bodies, knows the
/// project file's name, and its link tool offers the site's ticked pages.
void plugInPageEditor(Model::ProjectSession &session, Editor::PageEditor &editor);

/// Lets the page editor save a project never saved, as the main window's Save does, when a
/// picture or file is to be copied beside it.
void plugInEditorSaving(Editor::PageEditor &editor, MainWindow &window);

/// Opens the page editor on a page with the caret at the start of a body line (from 1).
void openPageEditorAtLine(Editor::PageEditor &editor, Model::PageId page, int line);

} // namespace App
