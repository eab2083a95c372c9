// Types fuzzed answers into the markup tools that ask for numbers (list, table, heading) and
// checks ReadInteger on every answer against a reading of its own, then the inserted markup
// and the questions asked against what the answers call for.
//
// Input layout: byte 0 picks the tool (list, table, heading by its value mod 3); the rest are
// the answers, separated by line feeds, each cut to the 255 characters an input box holds.
// When the answers run out, every further question is cancelled.

#include "fuzz/scratchdir.h"

#include "editor/markuptools.h"
#include "editor/memorytext.h"
#include "editor/readinteger.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace Editor;
using Fuzzing::check;

namespace {

// A second reading of a typed number, written differently from ReadInteger: find the run of
// digits first, then take as much of it as fits.
IntegerReading referenceReading(std::string_view answer)
{
    std::size_t at = answer.find_first_not_of(' ');
    if (at == std::string_view::npos)
        return { 0, false };
    bool negative = false;
    if (answer[at] == '+' || answer[at] == '-')
        negative = answer[at++] == '-';
    int base = 10;
    for (std::string_view prefix : { "0x", "0X", "$", "x", "X" }) {
        if (answer.substr(at).starts_with(prefix)) {
            base = 16;
            at += prefix.size();
            break;
        }
    }
    const std::string_view digits = base == 16 ? "0123456789abcdefABCDEF" : "0123456789";
    const std::size_t runEnd = std::min(answer.find_first_not_of(digits, at), answer.size());
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t value = 0;
    std::size_t used = at;
    for (; used < runEnd; ++used) {
        const char c = answer[used];
        const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        if (value * base + digit > limit)
            break;
        value = value * base + digit;
    }
    if (used == answer.size() && used > at)
        return { negative ? -value : value, true };
    return { value, false };
}

class AnswerScript : public Platform::Dialogs
{
public:
    explicit AnswerScript(std::deque<std::string> answers)
        : m_answers(std::move(answers))
    { }

    std::string askText(
        const std::string &caption, const std::string &prompt, const std::string &) override
    {
        check(caption == "Corvanta", "an input box without the program's caption");
        prompts.push_back(prompt);
        if (m_answers.empty())
            return {};
        std::string answer = std::move(m_answers.front());
        m_answers.pop_front();
        return answer;
    }
    void notify(const Platform::Message &notice) override { notices.push_back(notice.text); }
    bool confirm(const Platform::Message &) override
    {
        Fuzzing::fail("a markup tool asked for a confirmation");
    }
    std::optional<std::string> chooseFile(const Platform::FileDialogSpec &) override
    {
        Fuzzing::fail("a markup tool opened a file dialog");
    }
    std::optional<Platform::Colour> chooseColour(Platform::Colour) override
    {
        Fuzzing::fail("a markup tool opened the colour dialog");
    }
    void openDocument(const std::string &) override
    {
        Fuzzing::fail("a markup tool opened a document");
    }

    std::vector<std::string> prompts;
    std::vector<std::string> notices;

private:
    std::deque<std::string> m_answers;
};

/// What a tool should do with the answers: the questions, the lines put above the caret's
/// line, the error box.
struct Outcome
{
    std::vector<std::string> prompts;
    std::vector<std::string> lines;
    std::string inline_;
    bool errorBox = false;
};

class Answers
{
public:
    explicit Answers(const std::deque<std::string> &answers)
        : m_answers(answers)
    { }
    std::string next(Outcome &outcome, const std::string &prompt)
    {
        outcome.prompts.push_back(prompt);
        if (m_used >= m_answers.size())
            return {};
        return m_answers[m_used++];
    }
    std::string count(Outcome &outcome, const std::string &prompt)
    {
        for (;;) {
            std::string answer = next(outcome, prompt);
            if (answer.empty() || referenceReading(answer).valid)
                return answer;
        }
    }

private:
    const std::deque<std::string> &m_answers;
    std::size_t m_used = 0;
};

Outcome expectList(Answers answers)
{
    Outcome outcome;
    const std::string count = answers.count(outcome, "How many items do you want on your list?");
    const std::int64_t items = referenceReading(count).value;
    if (count.empty() || items < 1)
        return outcome;
    if (items > MaxListItems) {
        outcome.errorBox = true;
        return outcome;
    }
    outcome.lines.push_back("<ul>");
    for (std::int64_t i = 1; i <= items; ++i)
        outcome.lines.push_back(
            "     <li>" + answers.next(outcome, "Enter list item " + std::to_string(i) + ":"));
    outcome.lines.push_back("</ul>");
    return outcome;
}

Outcome expectTable(Answers answers)
{
    Outcome outcome;
    const std::string rows = answers.count(outcome, "How many rows do you want in your table?");
    const std::string columns
        = answers.count(outcome, "How many columns do you want in your table?");
    const std::int64_t r = referenceReading(rows).value;
    const std::int64_t c = referenceReading(columns).value;
    if (rows.empty() || columns.empty() || r < 1 || c < 1 || r * c > MaxTableCells) {
        outcome.errorBox = true;
        return outcome;
    }
    outcome.lines.push_back(
        "<table border=\"1\" cellpadding=\"1\" cellspacing=\"1\" bordercolor=\"black\">");
    for (std::int64_t row = 0; row < r; ++row) {
        outcome.lines.push_back("   <tr>");
        for (std::int64_t column = 0; column < c; ++column) {
            outcome.lines.push_back("       <td>");
            outcome.lines.push_back("       </td>");
        }
        outcome.lines.push_back("   </tr>");
    }
    outcome.lines.push_back("</table>");
    return outcome;
}

Outcome expectHeading(Answers answers)
{
    Outcome outcome;
    std::string size;
    for (;;) {
        size = answers.next(outcome, "Enter the heading size: 1 (largest) - 6 (smallest)");
        const std::int64_t value = referenceReading(size).value;
        if (size.empty() || (value >= 1 && value <= 6))
            break;
    }
    const std::string text = answers.next(outcome, "Enter the heading text:");
    if (!size.empty() || !text.empty())
        outcome.inline_ = "<h" + size + ">" + text + "</h" + size + ">";
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view input(reinterpret_cast<const char *>(data) + 1, size - 1);

    const IntegerReading whole = ReadInteger(input);
    const IntegerReading reference = referenceReading(input);
    check(whole == reference,
        "ReadInteger gives " + std::to_string(whole.value) + "/" + std::to_string(whole.valid)
            + ", expected " + std::to_string(reference.value) + "/"
            + std::to_string(reference.valid));
    check(!whole.valid || (whole.value >= INT32_MIN && whole.value <= INT32_MAX),
        "a valid reading outside the 32-bit range");

    std::deque<std::string> answers;
    std::size_t start = 0;
    while (start <= input.size()) {
        const std::size_t end = std::min(input.find('\n', start), input.size());
        answers.emplace_back(input.substr(start, std::min<std::size_t>(end - start, 255)));
        check(ReadInteger(answers.back()) == referenceReading(answers.back()),
            "ReadInteger differs on the answer \"" + answers.back() + "\"");
        start = end + 1;
    }

    const ToolId tools[] = { ToolId::List, ToolId::InsertTable, ToolId::Heading };
    const ToolId tool = tools[data[0] % 3];
    const Outcome expected = tool == ToolId::List ? expectList(Answers(answers))
        : tool == ToolId::InsertTable             ? expectTable(Answers(answers))
                                                  : expectHeading(Answers(answers));

    // The caret in the middle of the second line: line tools go above that line, the heading
    // goes where the caret is.
    MemoryText text("first\r\nsecond");
    text.placeCaret(1, 3);
    AnswerScript dialogs(answers);
    runTool(tool, text, dialogs);

    check(dialogs.prompts == expected.prompts, "the questions asked are not the ones expected");
    check(dialogs.notices.size() == (expected.errorBox ? 1u : 0u),
        "the tool error box came " + std::to_string(dialogs.notices.size()) + " times");
    std::string block;
    for (const std::string &line : expected.lines)
        block += line + "\r\n";
    const std::string expectedText = "first\r\n" + block + "sec" + expected.inline_ + "ond";
    check(text.text() == expectedText, "the text after the tool is not what the answers call for");
    return 0;
}
