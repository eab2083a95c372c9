// Reads a fuzzed .zip archive as "Add Template..." does, into a templates folder of its own.
// Whether it is refused or read, nothing may appear outside that folder, and once the
// staged template is gone without being installed the folder must be empty again.

#include "fuzz/scratchdir.h"

#include "catalogue/templatearchive.h"
#include "platform/fileerror.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

using Fuzzing::check;

namespace {

std::size_t entriesBelow(const std::string &directory)
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto &entry :
        std::filesystem::recursive_directory_iterator(directory))
        ++count;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const std::string root = Fuzzing::scratchDirectory() + "/archive";
    static const std::string templates = root + "/box/templates";
    Fuzzing::resetDirectory(root);
    Fuzzing::writeFile(
        root + "/in.zip", std::string_view(reinterpret_cast<const char *>(data), size));
    try {
        const std::unique_ptr<Catalogue::StagedTemplate> staged
            = Catalogue::StagedTemplate::unpack(root + "/in.zip", templates);
        check(staged != nullptr, "an unpacking that was not cancelled gave no template");
        check(!staged->name().empty(), "a template without a name was read");
    } catch (const Platform::FileError &) {
        // A refusal or an unreadable archive is an answer.
    }
    check(entriesBelow(root) == 3, "the archive left files behind or wrote outside its folder");
    return 0;
}
