#pragma once

#include "app/companionwindows.h"

namespace Editor {
class PageEditor;
}
namespace Publish {
class PublishWindow;
}

namespace App {

/// The page editor as the home of the page bodies: the organiser opens it on a page and
/// reads and replaces its fourteen texts.
PageEditorLink pageEditorLink(Editor::PageEditor &editor);

/// Plugs in the publish window: the Publish command opens it, New forgets its directory.
void plugInPublishWindow(CompanionWindows &windows, Publish::PublishWindow &publish);

} // namespace App
