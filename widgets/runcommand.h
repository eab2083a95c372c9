#pragma once

#include "platform/dialogs.h"

#include <functional>

namespace Widgets {

/// The text of the error box when a command runs out of memory.
inline constexpr const char *OutOfMemoryText = "Out of memory";
/// The text of the error box when a command fails in a way that carries no text of its own.
inline constexpr const char *UnexpectedErrorText = "Unexpected error";

/// The error boundary every window command runs in: a file error, running out of memory or
/// any other failure ends the command where it stands and shows the standard error box, so
/// nothing reaches the event loop and ends the program with the user's work in it. True when
/// the command ran to its end.
bool runCommand(Platform::Dialogs &dialogs, const std::function<void()> &command);

} // namespace Widgets
