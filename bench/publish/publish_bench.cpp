// The publish run of a large site, in process: the project is already in memory, so this
// measures rendering, the scripts, the picture copies and the stylesheet, not reading it.

#include "bench/publish/bigsite.h"
#include "publish/publishwebsite.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

/// Notices are counted, never shown.
class SilentDialogs : public Platform::Dialogs
{
public:
    bool confirm(const Platform::Message &) override { return false; }
    void notify(const Platform::Message &) override { ++notices; }
    std::string askText(const std::string &, const std::string &, const std::string &) override
    {
        return {};
    }
    std::optional<std::string> chooseFile(const Platform::FileDialogSpec &) override { return {}; }
    std::optional<Platform::Colour> chooseColour(Platform::Colour) override { return {}; }
    void openDocument(const std::string &) override { }
    int notices = 0;
};

void PublishBigSite(benchmark::State &state)
{
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "corvanta-bench-XXXXXX").string();
    const std::string root = ::mkdtemp(pattern.data());
    const std::string home = root + "/home", out = root + "/out";
    fs::create_directories(home);
    fs::create_directories(out);
    Bench::BigSite::writeTemplates(home);
    Bench::BigSite::writeLogo(home + "/logo.gif");
    const Model::ChoiceLists lists { { Bench::BigSite::TemplateName }, Model::FontFamilyList({}) };
    const Model::Project project = Bench::BigSite::project(lists, home + "/logo.gif");
    SilentDialogs dialogs;

    for (auto _ : state) {
        const auto outcome = Publish::PublishWebsite(project, lists, home, out, dialogs, nullptr);
        if (outcome != Publish::PublishOutcome::Completed)
            state.SkipWithError("the run did not complete");
        // Each run starts as a user's would: nothing of the last one is left to write out.
        state.PauseTiming();
        fs::remove_all(out + "/website");
        ::sync();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * Model::PageCount
        * static_cast<std::int64_t>(Bench::BigSite::BodySize));
    fs::remove_all(root);
}
BENCHMARK(PublishBigSite)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

BENCHMARK_MAIN();
