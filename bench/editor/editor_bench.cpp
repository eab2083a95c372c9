#include "bench/editor/benchdialogs.h"
#include "editor/markuptools.h"
#include "editor/memorytext.h"

#include <benchmark/benchmark.h>

#include <deque>
#include <string>
#include <vector>

using namespace Editor;

namespace {

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
    page.placeCaret(lineCount / 2, 0);
    return page;
}

// 10,000 rows of one column is the table with the most lines: 40,002.
void largestTable(benchmark::State &state)
{
    const MemoryText original = pageOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        MemoryText page = original;
        BenchDialogs answers({ "10000", "1" });
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
    BenchDialogs answers({ "10000", "1" });
    runTool(ToolId::InsertTable, table, answers);
    const std::string block = table.text();
    for (auto _ : state) {
        state.PauseTiming();
        MemoryText page = original;
        state.ResumeTiming();
        page.replaceSelection(block);
        benchmark::DoNotOptimize(page.text().data());
    }
}

// The list puts each line in as soon as it is answered: 1,002 single-line insertions.
void largestList(benchmark::State &state)
{
    const MemoryText original = pageOf(static_cast<int>(state.range(0)));
    std::deque<std::string> typed { std::to_string(MaxListItems) };
    typed.resize(MaxListItems + 1, "An item of the list");
    for (auto _ : state) {
        state.PauseTiming();
        MemoryText page = original;
        BenchDialogs answers(typed);
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
