#include "widgets/runcommand.h"

#include "platform/fileerror.h"

#include <exception>
#include <new>
#include <string>

namespace Widgets {

namespace {

// Shows the error box; a failure while showing it has nowhere left to go and is dropped.
void showError(Platform::Dialogs &dialogs, const char *message) noexcept
{
    try {
        Platform::showStandardError(dialogs, message);
    } catch (...) { }
}

} // namespace

bool runCommand(Platform::Dialogs &dialogs, const std::function<void()> &command)
{
    try {
        command();
        return true;
    } catch (const Platform::FileError &error) {
        showError(dialogs, error.what());
    } catch (const std::bad_alloc &) {
        showError(dialogs, OutOfMemoryText);
    } catch (const std::exception &error) {
        const char *text = error.what();
        showError(dialogs, text && *text ? text : UnexpectedErrorText);
    } catch (...) {
        showError(dialogs, UnexpectedErrorText);
    }
    return false;
}

} // namespace Widgets
