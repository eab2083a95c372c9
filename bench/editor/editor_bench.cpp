#include "editor/markuptools.h"
#include "editor/memorytext.h"

#include <benchmark/benchmark.h>

#include <deque>
#include <string>
#include <vector>

using namespace Editor;

namespace {

/// The user's typed answers, given in order; nothing else is ever asked.
class TypedAnswers : public Platform::Dialogs
{
public:
    explicit TypedAnswers(std::deque<std::string> answers)
        : m_answers(std::move(answers))
    {
    }
    bool confirm(const Platform::Message &) override { return false; }
    void notify(const Platform::Message &) override { }
    std::string askText(const std::string &, const std::string &) override
    {
        if (m_answers.empty())
            return {};
        std::string answer = std::move(m_answers.front());
        m_answers.pop_front();
        return answer;
    }
    std::optional<std::string> chooseFile(const Platform::FileDialogSpec &) override
    {
        return std::nullopt;
    }
    std::optional<Platform::Colour> chooseColour(Platform::Colour) override
    {
        return std::nullopt;
    }
    void openDocument(const std::string &) override { }

private:
    std::deque<std::string> m_answers;
};

/// A page of `lineCount` ordinary lines with the caret at the start of the middle one.
MemoryText pageOf(int lineCount)
{
    std::string body;
    for (int line = 0; line < lineCount; ++line) {
        if (line > 0)
            body += "\r\n";
        body += "<p>Line " + std::to_string(line) + " of a long page body, with some words.</p>";
    }
    MemoryText page(std::move(body));
    page.PlaceCaret(lineCount / 2, 0);
    return page;
}

// 10,000 rows of one column is the table with the most lines: 40,002.
void largestTable(benchmark::State &state)
{
    const MemoryText original = pageOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        MemoryText page = original;
        TypedAnswers answers({"10000", "1"});
        state.ResumeTiming();
        runTool(ToolId::InsertTable, page, answers);
        benchmark::DoNotOptimize(page.text().data());
    }
}

// The same 40,002 lines put into the text in one piece: what the table tool is measured against.
void sameLinesInOnePiece(benchmark::State &state)
{
    const MemoryText original = pageOf(static_cast<int>(state.range(0)));
    MemoryText table;
    TypedAnswers answers({"10000", "1"});
    runTool(ToolId::InsertTable, table, answers);
    const std::string block = table.text();
    for (auto _ : state) {
        state.PauseTiming();
        MemoryText page = original;
        state.ResumeTiming();
        page.ReplaceSelection(block);
        benchmark::DoNotOptimize(page.text().data());
    }
}

// The list puts each line in as soon as it is answered: 1,002 single-line insertions.
void largestList(benchmark::State &state)
{
    const MemoryText original = pageOf(static_cast<int>(state.range(0)));
    std::deque<std::string> typed {std::to_string(MaxListItems)};
    typed.resize(MaxListItems + 1, "An item of the list");
    for (auto _ : state) {
        state.PauseTiming();
        MemoryText page = original;
        TypedAnswers answers(typed);
        state.ResumeTiming();
        runTool(ToolId::List, page, answers);
        benchmark::DoNotOptimize(page.text().data());
    }
}

} // namespace

BENCHMARK(largestTable)->Arg(1)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(sameLinesInOnePiece)->Arg(1)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(largestList)->Arg(1)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
