#include "tests/support/scripteddialogs.h"

#include <gtest/gtest.h>

namespace Testing {

ScriptedDialogs::~ScriptedDialogs() { failOnUnusedAnswers(); }

void ScriptedDialogs::failOnUnusedAnswers() const
{
    if (m_answers.empty())
        return;
    std::string unused;
    for (const Answer &answer : m_answers) {
        static constexpr const char *kinds[] = { "question", "input box", "file dialog",
            "colour dialog", "save question", "choice" };
        unused += unused.empty() ? "" : ", ";
        unused += kinds[answer.index()];
    }
    ADD_FAILURE() << m_answers.size() << " scripted answer(s) never asked for: " << unused;
}

void ScriptedDialogs::answerConfirm(bool ok) { m_answers.emplace_back(ok); }

void ScriptedDialogs::answerText(const std::string &text) { m_answers.emplace_back(text); }

void ScriptedDialogs::answerFile(std::optional<std::string> path)
{
    m_answers.emplace_back(std::move(path));
}

void ScriptedDialogs::answerChoice(std::optional<std::size_t> button)
{
    m_answers.emplace_back(button);
}

void ScriptedDialogs::answerColour(std::optional<Platform::Colour> colour)
{
    m_answers.emplace_back(colour);
}

void ScriptedDialogs::answerSave(Platform::SaveChoice choice) { m_answers.emplace_back(choice); }

template <typename T> std::optional<T> ScriptedDialogs::take(const char *what)
{
    if (m_answers.empty() || !std::holds_alternative<T>(m_answers.front())) {
        ADD_FAILURE() << "unexpected " << what << " with no scripted answer";
        return std::nullopt;
    }
    T answer = std::get<T>(m_answers.front());
    m_answers.pop_front();
    return answer;
}

bool ScriptedDialogs::confirm(const Platform::Message &question)
{
    Asked asked { Asked::Kind::Confirm, question, {}, {}, {}, {}, {}, {}, {} };
    m_asked.push_back(asked);
    return take<bool>("question").value_or(false);
}

std::optional<std::size_t> ScriptedDialogs::askChoice(
    const Platform::Message &question, const std::vector<std::string> &buttons)
{
    m_asked.push_back({ Asked::Kind::Choice, question, {}, {}, {}, {}, {}, {}, buttons });
    return take<std::optional<std::size_t>>("choice").value_or(std::nullopt);
}

void ScriptedDialogs::notify(const Platform::Message &notice)
{
    m_asked.push_back({ Asked::Kind::Notify, notice, {}, {}, {}, {}, {}, {}, {} });
}

Platform::SaveChoice ScriptedDialogs::askToSave(const Platform::Message &question)
{
    m_asked.push_back({ Asked::Kind::AskToSave, question, {}, {}, {}, {}, {}, {}, {} });
    return take<Platform::SaveChoice>("save question").value_or(Platform::SaveChoice::Cancel);
}

std::string ScriptedDialogs::askText(
    const std::string &caption, const std::string &prompt, const std::string &initialText)
{
    m_asked.push_back({ Asked::Kind::AskText, {}, caption, prompt, {}, {}, {}, initialText, {} });
    return take<std::string>("input box").value_or(std::string());
}

std::string ScriptedDialogs::askLocation(const std::string &caption, const std::string &prompt,
    const Platform::FileDialogSpec &browse, const std::vector<Platform::LocationChoice> &choices)
{
    std::vector<std::string> shown;
    shown.reserve(choices.size());
    for (const Platform::LocationChoice &choice : choices)
        shown.push_back(choice.shown + " = " + choice.value);
    m_asked.push_back({ Asked::Kind::AskText, {}, caption, prompt, browse, {}, {}, {}, shown });
    return take<std::string>("input box").value_or(std::string());
}

std::optional<std::string> ScriptedDialogs::chooseFile(const Platform::FileDialogSpec &request)
{
    m_asked.push_back({ Asked::Kind::ChooseFile, {}, {}, {}, request, {}, {}, {}, {} });
    return take<std::optional<std::string>>("file dialog").value_or(std::nullopt);
}

std::optional<Platform::Colour> ScriptedDialogs::chooseColour(Platform::Colour initial)
{
    m_asked.push_back({ Asked::Kind::ChooseColour, {}, {}, {}, {}, initial, {}, {}, {} });
    return take<std::optional<Platform::Colour>>("colour dialog").value_or(std::nullopt);
}

void ScriptedDialogs::openDocument(const std::string &target)
{
    m_asked.push_back({ Asked::Kind::OpenDocument, {}, {}, {}, {}, {}, target, {}, {} });
}

std::vector<std::string> ScriptedDialogs::prompts() const
{
    std::vector<std::string> result;
    for (const Asked &asked : m_asked) {
        if (asked.kind == Asked::Kind::AskText)
            result.push_back(asked.prompt);
    }
    return result;
}

std::vector<Platform::Message> ScriptedDialogs::notices() const
{
    std::vector<Platform::Message> result;
    for (const Asked &asked : m_asked) {
        if (asked.kind == Asked::Kind::Notify)
            result.push_back(asked.message);
    }
    return result;
}

void ScriptedDialogs::clear()
{
    failOnUnusedAnswers();
    m_answers.clear();
    m_asked.clear();
}

} // namespace Testing
