#include "project/recentprojects.h"

#include <algorithm>

namespace Model {

RecentProjects::RecentProjects(const std::vector<std::string> &stored)
{
    for (auto path = stored.rbegin(); path != stored.rend(); ++path) {
        if (!path->empty())
            add(*path);
    }
}

void RecentProjects::add(const std::string &path)
{
    remove(path);
    m_paths.insert(m_paths.begin(), path);
    if (m_paths.size() > Limit)
        m_paths.resize(Limit);
}

void RecentProjects::remove(const std::string &path)
{
    m_paths.erase(std::remove(m_paths.begin(), m_paths.end(), path), m_paths.end());
}

} // namespace Model
