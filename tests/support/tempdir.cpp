#include "tests/support/tempdir.h"

#include "platform/fileerror.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

namespace Testing {

TempDir::TempDir()
{
    std::string pattern
        = (std::filesystem::temp_directory_path() / "corvanta-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary directory");
    m_path = pattern;
}

TemporaryHome::TemporaryHome()
    : m_oldHome(std::getenv("HOME") ? std::getenv("HOME") : "")
{
    std::filesystem::create_directory(documents());
    ::setenv("HOME", m_dir.path().c_str(), 1);
}

TemporaryHome::~TemporaryHome() { ::setenv("HOME", m_oldHome.c_str(), 1); }

TempDir::~TempDir()
{
    std::error_code ignored;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(m_path, ignored)) {
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
            std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::permissions(
        m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

void writeBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string readBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot read " << path;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void setUnusedFor(const std::string &path, int days)
{
    std::vector<std::string> paths { path };
    if (std::filesystem::is_directory(std::filesystem::symlink_status(path))) {
        for (const auto &entry : std::filesystem::recursive_directory_iterator(path))
            paths.push_back(entry.path().string());
    }
    const timespec then { .tv_sec = std::time(nullptr) - std::time_t { days } * 24 * 60 * 60,
        .tv_nsec = 0 };
    const timespec times[] = { then, then };
    for (const std::string &each : paths)
        EXPECT_EQ(::utimensat(AT_FDCWD, each.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << each;
}

std::string errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const Platform::FileError &error) {
        return error.what();
    }
    return "(no error)";
}

} // namespace Testing
