#pragma once

#include "platform/dialogs.h"

#include <deque>
#include <optional>
#include <string>

/// Answers a benchmark's questions without a window: input boxes with the given texts in
/// order (then empty), every question with OK, the file dialog with one path.
class BenchDialogs : public Platform::Dialogs
{
public:
    explicit BenchDialogs(std::deque<std::string> answers = {}, std::string file = {})
        : m_answers(std::move(answers))
        , m_file(std::move(file))
    { }
    bool confirm(const Platform::Message &) override { return true; }
    void notify(const Platform::Message &) override { }
    std::string askText(const std::string &, const std::string &, const std::string &) override
    {
        if (m_answers.empty())
            return {};
        std::string answer = std::move(m_answers.front());
        m_answers.pop_front();
        return answer;
    }
    std::optional<std::string> chooseFile(const Platform::FileDialogSpec &) override
    {
        return m_file;
    }
    std::optional<Platform::Colour> chooseColour(Platform::Colour) override { return std::nullopt; }
    void openDocument(const std::string &) override { }

private:
    std::deque<std::string> m_answers;
    std::string m_file;
};
