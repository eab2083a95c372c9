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
}

namespace App {

/// Plugs in the page editor: it becomes the home of the session's page bodies, and "Edit
/// Selected Page" opens it on a page.
void plugInPageEditor(
    CompanionWindows &windows, Model::ProjectSession &session, Editor::PageEditor &editor);

/// Plugs in the publish window: the Publish command opens it.
void plugInPublishWindow(CompanionWindows &windows, Publish::PublishWindow &publish);

} // namespace App
