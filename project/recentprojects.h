#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace Model {

/// The projects opened or saved last, newest first, at most eight, each once.
class RecentProjects
{
public:
    static constexpr std::size_t Limit = 8;

    RecentProjects() = default;
    /// A list as it was stored; empty names and repeats are dropped, and it is cut to Limit.
    explicit RecentProjects(const std::vector<std::string> &stored);

    const std::vector<std::string> &paths() const { return m_paths; }
    /// A project was opened or saved: it goes to the top.
    void add(const std::string &path);
    /// A project that no longer exists leaves the list.
    void remove(const std::string &path);

private:
    std::vector<std::string> m_paths;
};

} // namespace Model
