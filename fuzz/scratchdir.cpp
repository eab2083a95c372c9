#include "fuzz/scratchdir.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace Fuzzing {
namespace {

std::string makeScratchDirectory()
{
    // The runner names a directory it removes afterwards, also when a finding stops the
    // fuzzer before its exit handlers run.
    std::string base;
    if (const char *given = std::getenv("CORVANTA_FUZZ_SCRATCH"))
        base = given;
    else if (::access("/dev/shm", W_OK) == 0)
        base = "/dev/shm";
    else
        base = std::filesystem::temp_directory_path().string();
    std::string pattern = base + "/corvanta-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        fail("cannot make the scratch directory in " + base);
    return pattern;
}

} // namespace

const std::string &scratchDirectory()
{
    // Kept for the whole run, past the destruction of static objects, because the directory
    // is removed by an exit handler.
    static const std::string *const path = [] {
        const auto *made = new std::string(makeScratchDirectory());
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratchDirectory(), ignored);
        });
        return made;
    }();
    return *path;
}

void resetDirectory(const std::string &path)
{
    std::error_code error;
    std::filesystem::remove_all(path, error);
    std::filesystem::create_directories(path, error);
    if (error)
        fail("cannot make " + path + ": " + error.message());
}

void writeFile(const std::string &path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        fail("cannot write " + path);
}

void fail(const std::string &what)
{
    std::fprintf(stderr, "\n*** property broken: %s\n", what.c_str());
    std::abort();
}

} // namespace Fuzzing
