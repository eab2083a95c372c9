#pragma once

#include "project/project.h"

#include <string>
#include <vector>

namespace Model {

enum class Column { Personal, Business };

/// Which pages the site has and the Edit Pages list that follows the ticks: the ticks are the
/// project's, the list and `curitem` belong to the organiser and are never saved.
class PageSelection
{
public:
    explicit PageSelection(Project &project);

    Project &project() { return m_project; }
    const Project &project() const { return m_project; }

    bool tick(Column column, PageId page) const;
    /// Sets a tick. Only a change counts: turning a page 2 to 14 on appends its caption to the
    /// Edit Pages list, turning it off removes the first entry equal to the caption. Home's
    /// ticks change no entry. Returns whether the tick changed.
    bool SetPageTick(Column column, PageId page, bool on);
    /// Whether the user can change a box: never Home; the rest of a column only while the
    /// site type is that column's.
    bool isChangeable(Column column, PageId page) const;
    /// Switching the site type changes only which column can be changed, never a tick.
    void setSiteType(SiteType type);
    /// Ticks every page of the column from Contact on, greyed or not.
    void checkAll(Column column);

    const std::vector<std::string> &editPagesList() const { return m_editPagesList; }
    /// Sorts the list once, without regard to letter case.
    void sortList();

    const std::string &curitem() const { return m_curitem; }
    /// Entering the Edit Pages pane starts again at position 0.
    void enterEditPages();
    /// A selection in the list makes its position current.
    void selectEntry(int position);
    /// The page that "Edit Selected Page" opens: the entry at `curitem`.
    /// Throws FileError "List index out of bounds (N)" when the list is shorter.
    PageId selectedPage() const;

    /// New: Home ticks on, every other tick off through SetPageTick (business first, then
    /// personal), then the list back to the single entry "Home".
    void resetForNew();

    /// Sets the list as the organiser shows it at start-up: "Home" and curitem "0".
    void resetList();

    /// The Edit Pages list and its current position, to be put back later.
    struct ListState
    {
        std::vector<std::string> list;
        std::string curitem;
    };
    ListState listState() const { return { m_editPagesList, m_curitem }; }
    void restoreListState(ListState state)
    {
        m_editPagesList = std::move(state.list);
        m_curitem = std::move(state.curitem);
    }

private:
    bool &tickRef(Column column, PageId page);

    Project &m_project;
    std::vector<std::string> m_editPagesList;
    std::string m_curitem = "0";
};

} // namespace Model
