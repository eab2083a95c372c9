#pragma once

class QWidget;

namespace Widgets {

/// Puts `window` in the middle of the primary screen's free area each time it is shown.
void centreWhenShown(QWidget *window);

/// Makes Escape (with no modifier key) do nothing in `window`, so that only its own buttons
/// and its close box close it.
void ignoreEscape(QWidget *window);

} // namespace Widgets
