#pragma once

#include "editor/editabletext.h"
#include "editor/projectfile.h"
#include "editor/tooltable.h"
#include "platform/dialogs.h"

namespace Editor {

/// The most items the list tool inserts and the most cells the table tool inserts. No real
/// page needs more, and larger counts would ask questions that cannot be stopped or run the
/// program out of memory; they are refused with the tool error box.
inline constexpr int MaxListItems = 1000;
inline constexpr int MaxTableCells = 10000;

/// Runs a tool on the shown page's text: asks its questions through `dialogs`, puts its
/// markup in, places the caret and gives the text the focus as the tool does. The toolbox
/// button and the Quick Insert entry of a tool both come here. `projectFile` is the project
/// file's full path (empty for a project never saved): the picture and link tools copy a
/// chosen file beside it, offering to save a project never saved with `saveFirst`.
void runTool(const ToolInfo &tool, EditableText &text, Platform::Dialogs &dialogs,
    const std::string &projectFile = {}, const SaveFirst &saveFirst = {});
void runTool(ToolId tool, EditableText &text, Platform::Dialogs &dialogs,
    const std::string &projectFile = {}, const SaveFirst &saveFirst = {});

} // namespace Editor
