#pragma once

class QSize;
class QWidget;

namespace Widgets {

/// Puts `window` in the middle of the primary screen's free area each time it is shown.
void centreWhenShown(QWidget *window);

/// Makes Escape (with no modifier key) do nothing in `window`, so that only its own buttons
/// and its close box close it.
void ignoreEscape(QWidget *window);

/// The size a laid-out window opens at: `designSize`, or more where its font needs more room
/// for the texts.
QSize fittingSize(const QWidget *window, const QSize &designSize);

/// Gives a laid-out window of fixed size the fitting size for `designSize`; centred when shown.
void fixWindowSize(QWidget *window, const QSize &designSize);

/// Opens a resizable window at the fitting size for `designSize`, centred, the first time; its
/// size and place are remembered (under its object name) whenever it is hidden and come back
/// at its first showing after the next start of the program.
void rememberPlace(QWidget *window, const QSize &designSize);

/// Gives the keyboard back whenever a window of the program or a question closes while it
/// was active: the topmost modal window still open becomes active again, or else the window
/// the closed one belonged to, or else `mainWindow`. Where no window manager hands the focus on,
/// nothing else would, and keys would go nowhere.
void returnFocusWhenWindowsClose(QWidget *mainWindow);

} // namespace Widgets
