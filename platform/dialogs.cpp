#include "platform/dialogs.h"

#include "platform/fileerror.h"

namespace Platform {

void showStandardError(Dialogs &dialogs, const std::string &message)
{
    dialogs.notify(
        { ApplicationTitle, standardErrorText(message), MessageIcon::Error, MessageButtons::Ok });
}

std::string Dialogs::askLocation(
    const std::string &caption, const std::string &prompt, const FileDialogSpec &)
{
    return askText(caption, prompt, std::string());
}

} // namespace Platform
