#pragma once

class QMenuBar;

namespace Widgets {
class EditCommands;
}

namespace App {

class MainWindow;

/// Fills the main window's menu bar: File, Edit (the window's edit commands), View, Tools and
/// Help, each item with its object name, icon and shortcut, wired to the window's commands.
void addMainMenus(MainWindow &window, QMenuBar &bar, Widgets::EditCommands &editCommands);

} // namespace App
