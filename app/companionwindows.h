#pragma once

#include "project/project.h"

#include <functional>
#include <string>

namespace App {

/// The page editor as the organiser uses it. Until it is plugged in, the page bodies live
/// only in the project; once it is, its fourteen texts are where the user edits them and the
/// organiser copies them to the project before Save and Publish and back after Open and New.
struct PageEditorLink
{
    /// Selects the page's text, sets the caption "Editing Page - <caption>" and shows the
    /// editor modally; returns when the user closes it.
    std::function<void(Model::PageId page)> openOnPage;
    /// The whole text of a page (Windows-1252, CR LF line breaks).
    std::function<std::string(Model::PageId page)> pageText;
    /// Replaces the whole text of a page.
    std::function<void(Model::PageId page, const std::string &body)> setPageText;

    bool holdsBodies() const { return pageText && setPageText; }
};

/// The other windows of the program, each plugged into the main window by the program's
/// start-up once it exists. A command whose window is absent does nothing.
struct CompanionWindows
{
    /// The splash: shown without waiting, the first time the main window becomes active.
    std::function<void()> showSplash;
    /// The template viewer, shown modally.
    std::function<void()> openTemplateViewer;
    /// The publish window: progress back to 0, status "Waiting...", shown modally.
    std::function<void()> openPublishWindow;
    /// Empties the publish window's directory box (New).
    std::function<void()> clearPublishDirectory;
    /// The update checker, shown modally.
    std::function<void()> openUpdateChecker;
    /// The about window, shown modally.
    std::function<void()> openAbout;
    PageEditorLink pageEditor;
};

} // namespace App
