// The publish run of a large site, in process: the project is already in memory, so this
// measures rendering, the scripts, the picture copies and the stylesheet, not reading it.

#include "bench/publish/bigsite.h"
#include "platform/files.h"
#include "publish/publishwebsite.h"
#include "publish/references.h"
#include "publish/sitecheck.h"
#include "publish/siteicons.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

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

    // Arg 0: the publish run alone, handed the bodies' reading made beforehand, so it neither
    // checks nor reads a body to find files to copy: the run as it was before either existed.
    // Arg 1: as the publish window does it: the bodies read once, the check, then the run
    // that copies the files the pages refer to (the project file lies in the home directory).
    const bool withCheck = state.range(0) == 1;
    Publish::PublishRequest readBefore {
        .project = project, .lists = lists, .homeDir = home, .projectDirectory = home, .target = out
    };
    Publish::readPagesOnce(readBefore);
    for (auto _ : state) {
        Publish::PublishRequest request = readBefore;
        if (withCheck) {
            Publish::readPagesOnce(request);
            if (!Publish::CheckSite(request).findings.empty())
                state.SkipWithError("the big site has findings");
        }
        if (Publish::PublishWebsite(request).outcome != Publish::PublishOutcome::Completed)
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
BENCHMARK(PublishBigSite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(3.0);

/// The site check of a typical site: 14 pages of 10 KB, each referring to 20 pictures that
/// lie in the project's folder.
void CheckTypicalSite(benchmark::State &state)
{
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "corvanta-bench-XXXXXX").string();
    const std::string folder = ::mkdtemp(pattern.data());
    fs::create_directories(folder + "/pictures");
    const Model::ChoiceLists lists;
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
        while (body.size() < std::size_t { 10 } * 1024)
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
        const std::vector<Publish::SiteFinding> findings
            = Publish::CheckSite({ .project = project, .lists = lists, .projectDirectory = folder })
                  .findings;
        if (!findings.empty())
            state.SkipWithError(Publish::findingLine(findings.front()).c_str());
        benchmark::DoNotOptimize(findings);
    }
    fs::remove_all(folder);
}
BENCHMARK(CheckTypicalSite)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

/// The check of a one-page site whose body is hostile, at two sizes so that the time can be
/// seen to grow in proportion. Arg 0 picks the body: 0, unclosed <div> nested as deep as the
/// size; 1, unclosed <b>; 2, one line without a line end, pictures along it. Arg 1 is the
/// count of tags, or of kilobytes for the line.
void CheckHostileBody(benchmark::State &state)
{
    const auto count = static_cast<std::size_t>(state.range(1));
    std::string body;
    switch (state.range(0)) {
    case 0:
        for (std::size_t i = 0; i < count; ++i)
            body += "<div>";
        body += "<img src=\"deep.gif\">";
        break;
    case 1:
        for (std::size_t i = 0; i < count; ++i)
            body += "<b>";
        body += "<img src=\"deep.gif\">";
        break;
    default:
        while (body.size() < count * 1024) {
            body += "<b>Bread</b> &amp; <i>cakes</i> baked today, <a href=\"menu.html\">menu</a> "
                    "<img src=\"pictures/bread.jpg\" alt=\"\">";
            body += std::string(400, 'x');
        }
        break;
    }
    Model::Project project;
    project.personalPages[0] = true;
    project.pageBody[0] = body;
    const Model::ChoiceLists lists;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Publish::CheckSite(
            { .project = project, .lists = lists, .projectDirectory = "/nonexistent" }));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(body.size()));
}
BENCHMARK(CheckHostileBody)
    ->Args({ 0, 50000 })
    ->Args({ 0, 100000 })
    ->Args({ 1, 50000 })
    ->Args({ 1, 100000 })
    ->Args({ 2, 2560 })
    ->Args({ 2, 5120 })
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

/// The site's icons as every publish run draws them: Arg 0 from the title's letter, Arg 1 from
/// a 240 x 80 PNG logo. Beside PublishBigSite, what they add to a run.
void DrawSiteIcons(benchmark::State &state)
{
    const std::string logo = state.range(0) == 1
        ? Platform::readWholeFile(CORVANTA_SOURCE_DIR "/tests/browser/logo.png")
        : std::string();
    for (auto _ : state)
        benchmark::DoNotOptimize(Publish::DrawSiteIcons(logo, "L", "#12355B"));
}
BENCHMARK(DrawSiteIcons)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
