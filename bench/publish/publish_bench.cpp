// The publish run of a large site, in process: the project is already in memory, so this
// measures rendering, the scripts, the picture copies and the stylesheet, not reading it.

#include "bench/publish/bigsite.h"
#include "platform/files.h"
#include "publish/publishwebsite.h"
#include "publish/references.h"
#include "publish/sitecheck.h"

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
        // As the publish window does it: the check first, then the run that copies the files
        // the pages refer to (the project file lies in the home directory).
        if (!Publish::CheckSite(project, home).empty())
            state.SkipWithError("the big site has findings");
        const auto outcome = Publish::PublishWebsite(project, lists, home, out, dialogs, nullptr,
            nullptr, Publish::ExistingWebsite::Keep, home);
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

/// The site check of a typical site: 14 pages of 10 KB, each referring to 20 pictures that
/// lie in the project's folder.
void CheckTypicalSite(benchmark::State &state)
{
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "corvanta-bench-XXXXXX").string();
    const std::string folder = ::mkdtemp(pattern.data());
    fs::create_directories(folder + "/pictures");
    Model::Project project;
    project.personalPages.fill(true);
    project.businessPages.fill(true);
    for (int page = 1; page <= Model::PageCount; ++page) {
        std::string body;
        for (int picture = 1; picture <= 20; ++picture) {
            const std::string name
                = "pictures/p" + std::to_string(page) + "-" + std::to_string(picture) + ".jpg";
            Platform::File(folder + "/" + name, Platform::File::Mode::CreateTruncate).close();
            body += "<p>Paragraph " + std::to_string(picture)
                + " with <b>bold</b> words and a picture: <img src=\"" + name
                + "\" alt=\"A picture\"></p>\r\n";
        }
        while (body.size() < 10 * 1024)
            body += "<p>The quick brown fox jumps over the lazy dog, <i>again</i>.</p>\r\n";
        project.pageBody[static_cast<std::size_t>(page - 1)] = body;
    }
    for (auto _ : state) {
        if (state.range(0) == 0) {
            // The HTML reader alone, for comparison with the whole check.
            for (const std::string &body : project.pageBody)
                benchmark::DoNotOptimize(Publish::ReadBodyReferences(body));
            continue;
        }
        const std::vector<Publish::SiteFinding> findings = Publish::CheckSite(project, folder);
        if (!findings.empty())
            state.SkipWithError(Publish::findingLine(findings.front()).c_str());
        benchmark::DoNotOptimize(findings);
    }
    fs::remove_all(folder);
}
BENCHMARK(CheckTypicalSite)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
