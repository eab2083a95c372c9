#pragma once

#include "app/companionwindows.h"

namespace Editor {
class PageEditor;
}
namespace Model {
class ProjectSession;
}
namespace Publish {
class PublishWindow;
class SiteCheckWindow;
}

namespace App {

class MainWindow;

/// Plugs in the page editor: it becomes the home of the session's page bodies, and "Edit
/// Selected Page" opens it on a page.
void plugInPageEditor(
    CompanionWindows &windows, Model::ProjectSession &session, Editor::PageEditor &editor);

/// Lets the page editor save a project never saved, as the main window's Save does, when a
/// picture or file is to be copied beside it.
void plugInEditorSaving(Editor::PageEditor &editor, MainWindow &window);

/// Plugs in the publish window: the Publish command opens it.
void plugInPublishWindow(CompanionWindows &windows, Publish::PublishWindow &publish);

/// Plugs in the Check Site window: Tools > Check Site opens it, and its double click opens
/// the page editor on the finding's page with the caret at the start of its line.
void plugInSiteCheck(CompanionWindows &windows, Publish::SiteCheckWindow &siteCheck);

/// Opens the page editor on a page with the caret at the start of a body line (from 1).
void openPageEditorAtLine(Editor::PageEditor &editor, Model::PageId page, int line);

} // namespace App
