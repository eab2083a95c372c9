#pragma once

#include "app/companionwindows.h"

class TForm4;
class TForm7;

namespace App {

/// The page editor as the home of the page bodies: the organiser opens it on a page and
/// reads and replaces its fourteen texts.
PageEditorLink pageEditorLink(TForm4 &editor);

/// Plugs in the publish window: the Publish command opens it, New forgets its directory.
void plugInPublishWindow(CompanionWindows &windows, TForm7 &publish);

} // namespace App
