#pragma once

#include <functional>
#include <string>

namespace Testing {

/// A new empty directory under the system's temporary directory, removed with everything in
/// it (write permissions restored first) when the object goes.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return m_path; }
    /// path() + "/" + name
    std::string file(const std::string &name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

/// HOME pointed at a new temporary folder holding an empty "Documents" folder while the
/// object lives; the old HOME comes back afterwards.
class TemporaryHome
{
public:
    TemporaryHome();
    ~TemporaryHome();
    TemporaryHome(const TemporaryHome &) = delete;
    TemporaryHome &operator=(const TemporaryHome &) = delete;

    std::string documents() const { return m_dir.file("Documents"); }

private:
    TempDir m_dir;
    std::string m_oldHome;
};

/// Writes bytes to a file, replacing it; fails the test when it cannot.
void writeBytes(const std::string &path, const std::string &bytes);
/// The bytes of a file; fails the test when it cannot be read.
std::string readBytes(const std::string &path);

/// Sets the access and modification times of `path` and of everything below it to `days` ago,
/// as if nothing had read or written them since.
void setUnusedFor(const std::string &path, int days);

/// The text of the FileError an action throws, or "(no error)".
std::string errorOf(const std::function<void()> &action);

} // namespace Testing
