#pragma once

#include "project/project.h"

#include <functional>
#include <string>

namespace App {

/// The other windows of the program, each plugged into the main window by the program's
/// start-up once it exists. A command whose window is absent does nothing.
struct CompanionWindows
{
    /// The splash: shown as soon as the events of the main window's first activation are handled.
    std::function<void()> showSplash;
    /// The template viewer, shown modally.
    std::function<void()> openTemplateViewer;
    /// The publish window: progress back to 0, status "Waiting...", shown modally.
    std::function<void()> openPublishWindow;
    /// The Upload window for the session's project and publish directory, shown modally.
    std::function<void()> openUploadWindow;
    /// The update checker, shown modally.
    std::function<void()> openUpdateChecker;
    /// The about window, shown modally.
    std::function<void()> openAbout;
    /// Selects the page's text in the page editor and shows the editor modally; returns when
    /// the user closes it.
    std::function<void(Model::PageId page)> openPageEditor;
    /// The Check Site window, shown modally with the findings of a fresh check.
    std::function<void()> openSiteCheck;
};

} // namespace App
