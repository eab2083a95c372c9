#include "platform/dialogs.h"

#include "platform/fileerror.h"

namespace Platform {

void showStandardError(Dialogs &dialogs, const std::string &message)
{
    dialogs.notify(
        { ApplicationTitle, standardErrorText(message), MessageIcon::Error, MessageButtons::Ok });
}

} // namespace Platform
