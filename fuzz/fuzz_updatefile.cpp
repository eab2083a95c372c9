// Reads the latest version from a fuzzed update file, as the update check does after a
// download, and compares it with the first line taken character by character: everything up
// to the first carriage return or Ctrl-Z, a lone line feed included.

#include "fuzz/scratchdir.h"

#include "platform/textlines.h"
#include "update/updatecheck.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using Fuzzing::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view content(reinterpret_cast<const char *>(data), size);
    std::string expected;
    for (char c : content) {
        if (c == '\r' || c == '\x1A')
            break;
        expected += c;
    }

    check(Platform::firstTextLine(content) == expected, "firstTextLine took the wrong line");
    check(Platform::splitTextLines(content).front() == expected,
        "the first of the lines is not the first line");

    // The file is read in blocks; a line that runs across a block boundary must come whole.
    static const std::string path = Update::UpdateFilePath(Fuzzing::scratchDirectory());
    Fuzzing::writeFile(path, content);
    check(Update::ReadLatestVersion(path) == expected,
        "the latest version read from the file is not its first line");
    check(Update::IsNewerVersion(expected, "v1.0") == (expected != "v1.0"),
        "the version comparison is not an exact comparison");
    return 0;
}
