#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Platform {

/// Every question and notice a command shows goes through Dialogs: the program answers with
/// the real boxes, tests with scripted answers. All texts are Windows-1252.

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, OkCancel, YesNo };
/// The answers to a question about unsaved work before it would be lost.
enum class SaveChoice { Save, DontSave, Cancel };

struct Message
{
    std::string title;
    std::string text; ///< lines separated by "\n"
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

struct FileFilter
{
    std::string text; ///< as shown: "Corvanta Files (*.cvp)"
    std::string patterns; ///< "*.cvp" or "*.jpeg; *.jpg"
};

struct FileDialogSpec
{
    enum class Mode { Open, Save };
    Mode mode = Mode::Open;
    std::string title;
    std::vector<FileFilter> filters;
    std::string defaultExtension; ///< added to a name typed without one ("cvp")
    std::string initialPath; ///< the folder and name to start with; may be empty
    bool confirmOverwrite = false;
};

struct Colour
{
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const Colour &) const = default;
};

class Dialogs
{
public:
    virtual ~Dialogs() = default;

    /// A question with OK and Cancel (or Yes and No); true for OK (Yes).
    virtual bool confirm(const Message &question) = 0;
    /// A notice or error with an OK button.
    virtual void notify(const Message &notice) = 0;
    /// Unsaved work would be lost: "Save", "Don't Save" and "Cancel", with Save the answer to
    /// Enter and Cancel the answer to Escape, so that no single key throws the work away.
    /// Without a box of its own a Dialogs asks confirm's question and never answers Don't
    /// Save: OK saves, anything else cancels.
    virtual SaveChoice askToSave(const Message &question);
    /// An input box: caption, prompt, an entry of at most 255 characters that starts with
    /// `initialText`; Cancel gives "".
    virtual std::string askText(
        const std::string &caption, const std::string &prompt, const std::string &initialText)
        = 0;
    /// An input box for a file's place, like askText with an empty entry, and a Browse button
    /// that fills the entry with the file chosen in the file dialog `browse`. Without a
    /// Browse button of its own a Dialogs asks askText's question.
    virtual std::string askLocation(
        const std::string &caption, const std::string &prompt, const FileDialogSpec &browse);
    /// A file dialog; nothing when cancelled.
    virtual std::optional<std::string> chooseFile(const FileDialogSpec &request) = 0;
    /// The colour dialog opened on `initial`; nothing when cancelled.
    virtual std::optional<Colour> chooseColour(Colour initial) = 0;
    /// Hands a path or an address to the desktop's "open" action; the outcome is not examined.
    virtual void openDocument(const std::string &target) = 0;
};

/// The program's name, the caption of its notices, input boxes and error boxes.
inline constexpr const char *ApplicationTitle = "Corvanta";

/// Shows an error's text in the standard error box ("Corvanta", error icon, OK), with the
/// full stop rule applied.
void showStandardError(Dialogs &dialogs, const std::string &message);

} // namespace Platform
