#include "platform/dialogs.h"

#include "platform/fileerror.h"

namespace Platform {

void showStandardError(Dialogs &dialogs, const std::string &message)
{
    dialogs.notify(
        { ApplicationTitle, standardErrorText(message), MessageIcon::Error, MessageButtons::Ok });
}

SaveChoice Dialogs::askToSave(const Message &question)
{
    Message asked = question;
    asked.buttons = MessageButtons::OkCancel;
    return confirm(asked) ? SaveChoice::Save : SaveChoice::Cancel;
}

std::string Dialogs::askLocation(
    const std::string &caption, const std::string &prompt, const FileDialogSpec &)
{
    return askText(caption, prompt, std::string());
}

} // namespace Platform
