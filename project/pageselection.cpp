#include "project/pageselection.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"

#include <algorithm>
#include <cstdlib>

namespace Model {

PageSelection::PageSelection(Project &project)
    : m_project(project)
{
    resetList();
}

bool &PageSelection::tickRef(Column column, PageId page)
{
    const auto index = static_cast<std::size_t>(page - 1);
    return column == Column::Personal ? m_project.personalPages.at(index)
                                      : m_project.businessPages.at(index);
}

bool PageSelection::tick(Column column, PageId page) const
{
    return const_cast<PageSelection *>(this)->tickRef(column, page);
}

bool PageSelection::SetPageTick(Column column, PageId page, bool on)
{
    bool &current = tickRef(column, page);
    if (current == on)
        return false;
    current = on;
    if (page == 1)
        return true;
    const std::string caption = pageInfo(page).caption;
    if (on) {
        m_editPagesList.push_back(caption);
    } else {
        const auto entry = std::find(m_editPagesList.begin(), m_editPagesList.end(), caption);
        if (entry != m_editPagesList.end())
            m_editPagesList.erase(entry);
    }
    return true;
}

bool PageSelection::isChangeable(Column column, PageId page) const
{
    if (page == 1)
        return false;
    if (column == Column::Personal)
        return page <= PersonalPageCount && m_project.siteType == SiteType::Personal;
    return m_project.siteType == SiteType::Business;
}

void PageSelection::setSiteType(SiteType type) { m_project.siteType = type; }

void PageSelection::checkAll(Column column)
{
    const PageId last = column == Column::Personal ? PersonalPageCount : PageCount;
    for (PageId page = 2; page <= last; ++page)
        SetPageTick(column, page, true);
}

void PageSelection::sortList()
{
    std::stable_sort(m_editPagesList.begin(), m_editPagesList.end(), Platform::caselessBefore);
}

void PageSelection::enterEditPages() { m_curitem = "0"; }

void PageSelection::selectEntry(int position) { m_curitem = std::to_string(position); }

PageId PageSelection::selectedPage() const
{
    const long position = std::strtol(m_curitem.c_str(), nullptr, 10);
    if (position < 0 || static_cast<std::size_t>(position) >= m_editPagesList.size())
        throw Platform::FileError("List index out of bounds (" + std::to_string(position) + ")");
    // Every entry is a catalogue caption; the lookup cannot miss.
    return pageByCaption(m_editPagesList[static_cast<std::size_t>(position)]).value_or(1);
}

void PageSelection::resetForNew()
{
    tickRef(Column::Personal, 1) = true;
    tickRef(Column::Business, 1) = true;
    for (PageId page = 2; page <= PageCount; ++page)
        SetPageTick(Column::Business, page, false);
    for (PageId page = 2; page <= PersonalPageCount; ++page)
        SetPageTick(Column::Personal, page, false);
    m_editPagesList = { "Home" };
}

void PageSelection::resetList()
{
    m_editPagesList = { "Home" };
    m_curitem = "0";
}

} // namespace Model
