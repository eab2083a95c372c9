// Adding a template from archives of 2,500 to 10,000 entries (and one of 40,000, which is
// refused once 10,000 are read): the time should grow with the entries, not with their
// square. The user's templates folder lies in /dev/shm when there is one, so that the disk
// does not hide the program's own work.

#include "catalogue/templatearchive.h"
#include "tests/support/tempdir.h"
#include "tests/support/ziparchive.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

/// Answers every question with yes: each run replaces the template of the run before.
class Yes : public Platform::Dialogs
{
public:
    bool confirm(const Platform::Message &) override { return true; }
    void notify(const Platform::Message &) override { }
    std::string askText(const std::string &, const std::string &, const std::string &) override
    {
        return {};
    }
    std::optional<std::string> chooseFile(const Platform::FileDialogSpec &) override
    {
        return std::nullopt;
    }
    std::optional<Platform::Colour> chooseColour(Platform::Colour) override { return std::nullopt; }
    void openDocument(const std::string &) override { }
};

struct Archives
{
    Archives()
    {
        folder = std::filesystem::is_directory("/dev/shm")
            ? "/dev/shm/corvanta-bench-" + std::to_string(::getpid())
            : work.file("data");
        std::filesystem::create_directories(folder);
        ::setenv("XDG_DATA_HOME", folder.c_str(), 1);
        std::filesystem::create_directories(work.file("home/templates"));
    }
    ~Archives() { std::filesystem::remove_all(folder); }
    const std::string &archive(int entries)
    {
        auto &path = paths[entries];
        if (path.empty()) {
            std::vector<Testing::ZipEntry> list { { "Sea.t", "<!--$TITLE$-->\r\n" } };
            for (int i = 1; i < entries; ++i)
                list.push_back({ "Sea" + std::to_string(i) + ".gif", "GIF89a" });
            path = work.file(std::to_string(entries) + ".zip");
            Testing::writeZip(path, list);
        }
        return path;
    }
    Testing::TempDir work;
    std::string folder;
    std::map<int, std::string> paths;
};

Archives &archives()
{
    static Archives made;
    return made;
}

void AddTemplate(benchmark::State &state)
{
    const std::string &archive = archives().archive(static_cast<int>(state.range(0)));
    const std::string home = archives().work.file("home");
    Yes yes;
    for (auto _ : state) {
        try {
            Catalogue::AddTemplateFromArchive(archive, home, yes);
        } catch (const std::exception &) {
            // 40,000 entries: refused.
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(AddTemplate)->Arg(2500)->Arg(5000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
