#pragma once

#include <QWidget>

#include <functional>
#include <string>

namespace Testing {

/// One window of the program as the user sees it, open on the screen.
struct OpenWindow
{
    std::string name; ///< "Main window (Site Info)", "Page editor", ...
    QWidget *widget = nullptr;
};

/// Opens every window of the program in turn, the way its command opens it, over a session
/// whose project has text on its pages and something for the site check to report; calls
/// `visit` while each window is on screen, then closes it. The main window is visited once per
/// organiser pane. The windows are made anew by each call, so a font or palette set on the
/// application beforehand is the one they are built with. `homeDir` holds the templates, help
/// and read-me; `scratchDir` receives the project file and the publish directory.
void visitEveryWindow(const std::string &homeDir, const std::string &scratchDir,
    const std::function<void(const OpenWindow &)> &visit);

} // namespace Testing
