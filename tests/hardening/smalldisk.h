#pragma once

#include "tests/support/tempdir.h"

#include <cstddef>
#include <functional>
#include <string>

namespace Hardening {

/// A real, small file system of its own (tmpfs) for tests that need the disk to fill up or
/// refuse writes. It is mounted in a mount namespace private to the test process, so nothing
/// of it is seen outside, and it goes when the object (or the process) goes. Mounting needs
/// root; where the machine does not allow it, mounted() is false and reason() says why.
class SmallDisk
{
public:
    /// A disk of `sizeBytes` (rounded up to whole pages) holding at most `maxFiles` files and
    /// directories (0: no limit beyond the size).
    explicit SmallDisk(std::size_t sizeBytes, std::size_t maxFiles = 0);
    ~SmallDisk();
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool mounted() const { return m_mounted; }
    const std::string &reason() const { return m_reason; }
    /// The directory the disk is mounted on.
    const std::string &path() const { return m_path; }
    std::string file(const std::string &name) const { return m_path + "/" + name; }

    /// Fills the disk with a filler file, then gives back `freeBytes` of it (in whole pages),
    /// so that exactly that much can still be written.
    void fillLeaving(std::size_t freeBytes);
    /// Removes the filler file.
    void removeFiller();
    /// The bytes that can still be written.
    std::size_t freeBytes() const;
    /// Makes the whole disk read-only: every write is refused with EROFS.
    void makeReadOnly();

private:
    Testing::TempDir m_mountPoint;
    std::string m_path;
    std::string m_reason;
    bool m_mounted = false;
};

/// The outcome of running something in a child process.
struct ChildResult
{
    bool ran = false; ///< the child finished and reported
    std::string output; ///< what the action returned
    std::string problem; ///< why it did not finish, when it did not
};

enum class ChildUser { Same, Unprivileged };

/// Runs `action` in a child process and brings its result back as text. With Unprivileged
/// the child first drops root to the user and group "nobody" (65534), so that file
/// permissions apply as they do to every user of the program; when the tests do not run as
/// root the child keeps its user. A child still running after `timeLimitSeconds` is stopped,
/// so an action that would hang fails the test instead of blocking it.
ChildResult runInChildProcess(
    const std::function<std::string()> &action, ChildUser user, unsigned timeLimitSeconds = 60);

} // namespace Hardening
