#pragma once

#include <string>
#include <string_view>

namespace Fuzzing {

/// A directory of the fuzzer's own, made on first use and removed with everything in it when
/// the process ends. It lies in $CORVANTA_FUZZ_SCRATCH when set, else in /dev/shm when that
/// exists, so that the many small files an input is turned into never reach a disk.
const std::string &scratchDirectory();

/// Empties a directory below the scratch directory (makes it when missing).
void resetDirectory(const std::string &path);

/// Writes bytes to a file, replacing it. Aborts when it cannot: the fuzzer's own set-up
/// failing is not a finding in the code under test.
void writeFile(const std::string &path, std::string_view bytes);

/// Stops the fuzzer with a message when a property of the code under test does not hold.
[[noreturn]] void fail(const std::string &what);

inline void check(bool holds, const std::string &what)
{
    if (!holds)
        fail(what);
}

} // namespace Fuzzing
