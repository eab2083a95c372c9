#pragma once

#include "platform/dialogs.h"

class QWidget;

namespace App {

/// The real side of the question seam: Qt's message, input, file and colour dialogs and the
/// desktop's "open" action. Texts cross the seam in Windows-1252.
class WidgetDialogs : public Platform::Dialogs
{
public:
    WidgetDialogs() = default;

    bool confirm(const Platform::Message &question) override;
    void notify(const Platform::Message &notice) override;
    /// A message box with "&Save", "Do&n't Save" and "Cancel"; Save is the default button.
    Platform::SaveChoice askToSave(const Platform::Message &question) override;
    std::string askText(const std::string &caption, const std::string &prompt,
        const std::string &initialText) override;
    /// An input box with a "&Browse..." button beside the entry.
    std::string askLocation(const std::string &caption, const std::string &prompt,
        const Platform::FileDialogSpec &browse) override;
    std::optional<std::string> chooseFile(const Platform::FileDialogSpec &request) override;
    std::optional<Platform::Colour> chooseColour(Platform::Colour initial) override;
    void openDocument(const std::string &target) override;

private:
    /// The window a dialog belongs to: the active one, so that it stays above it.
    static QWidget *owner();
};

} // namespace App
