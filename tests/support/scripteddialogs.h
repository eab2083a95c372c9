#pragma once

#include "platform/dialogs.h"

#include <deque>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace Testing {

/// One question or notice the code under test showed, as the user would have seen it.
struct Asked
{
    enum class Kind { Confirm, Notify, AskText, ChooseFile, ChooseColour, OpenDocument, AskToSave };
    Kind kind;
    Platform::Message message; ///< Confirm, Notify, AskToSave
    std::string caption; ///< AskText
    std::string prompt; ///< AskText
    Platform::FileDialogSpec fileDialog; ///< ChooseFile; AskText: its Browse button's dialog
    Platform::Colour initialColour; ///< ChooseColour
    std::string target; ///< OpenDocument
    std::string initialText; ///< AskText: what the entry started with
};

/// Dialogs with answers queued in advance. Every question is recorded; a question that finds
/// no queued answer of its kind fails the test and is answered with Cancel, and answers still
/// queued when the dialogs are cleared or destroyed fail the test too: each scripted answer
/// stands for a question the story expects.
class ScriptedDialogs : public Platform::Dialogs
{
public:
    /// Fails the running test when answers are left unused.
    ~ScriptedDialogs() override;

    void answerConfirm(bool ok);
    void answerText(const std::string &text); ///< "" is the same as Cancel
    void answerFile(std::optional<std::string> path);
    void answerColour(std::optional<Platform::Colour> colour);
    void answerSave(Platform::SaveChoice choice);

    bool confirm(const Platform::Message &question) override;
    void notify(const Platform::Message &notice) override;
    Platform::SaveChoice askToSave(const Platform::Message &question) override;
    std::string askText(const std::string &caption, const std::string &prompt,
        const std::string &initialText = {}) override;
    /// Recorded as an input box whose `fileDialog` is the Browse button's dialog.
    std::string askLocation(const std::string &caption, const std::string &prompt,
        const Platform::FileDialogSpec &browse) override;
    std::optional<std::string> chooseFile(const Platform::FileDialogSpec &request) override;
    std::optional<Platform::Colour> chooseColour(Platform::Colour initial) override;
    void openDocument(const std::string &target) override;

    const std::vector<Asked> &asked() const { return m_asked; }
    /// The prompts of every input box, in order.
    std::vector<std::string> prompts() const;
    /// The notices and error boxes, in order.
    std::vector<Platform::Message> notices() const;
    /// Forgets what was asked; fails the running test when answers are left unused.
    void clear();

private:
    using Answer = std::variant<bool, std::string, std::optional<std::string>,
        std::optional<Platform::Colour>, Platform::SaveChoice>;
    template <typename T> std::optional<T> take(const char *what);
    void failOnUnusedAnswers() const;

    std::deque<Answer> m_answers;
    std::vector<Asked> m_asked;
};

} // namespace Testing
