// The patch between two published pages, from the nodes their source maps read.
#include "publish/pagesourcemap.h"

#include <gumbo.h>

#include <algorithm>
#include <limits>

namespace Publish {

namespace {

using Node = PageSourceMap::Node;

/// The nodes that differ between two documents, widened to whole children of one element:
/// `before[first, beforeEnd)` became `after[first, afterEnd)`, at `depth`.
struct Change
{
    std::size_t first = 0;
    std::size_t beforeEnd = 0;
    std::size_t afterEnd = 0;
    std::uint32_t depth = 0;
};

bool same(const Node &a, const Node &b)
{
    return a.identity == b.identity && a.depth == b.depth && a.kind == b.kind
        && a.measure == b.measure;
}

/// Nothing when the documents are the same.
std::optional<Change> changeBetween(const std::vector<Node> &before, const std::vector<Node> &after)
{
    // The nodes both documents end and begin with; between them, what changed. The end is
    // taken first: text typed at the end of the body then lies before the template's line
    // break, which stays.
    const std::size_t shorter = std::min(before.size(), after.size());
    std::size_t common = 0;
    while (common < shorter
        && same(before[before.size() - 1 - common], after[after.size() - 1 - common]))
        ++common;
    Change change;
    while (change.first < shorter - common && same(before[change.first], after[change.first]))
        ++change.first;
    if (common == shorter && before.size() == after.size())
        return std::nullopt;
    change.beforeEnd = before.size() - common;
    change.afterEnd = after.size() - common;

    change.depth = std::numeric_limits<std::uint32_t>::max();
    for (std::size_t index = change.first; index < change.beforeEnd; ++index)
        change.depth = std::min(change.depth, before[index].depth);
    for (std::size_t index = change.first; index < change.afterEnd; ++index)
        change.depth = std::min(change.depth, after[index].depth);
    // A changed node inside a child that starts or ends among the common nodes takes the
    // whole child with it.
    const auto deeper = [&](std::size_t index) {
        return (index < change.beforeEnd && before[index].depth > change.depth)
            || (index < change.afterEnd && after[index].depth > change.depth);
    };
    while (change.first > 0 && deeper(change.first))
        --change.first;
    while (change.beforeEnd < before.size() && before[change.beforeEnd].depth > change.depth) {
        ++change.beforeEnd;
        ++change.afterEnd;
    }
    return change;
}

/// Where the element at `parent` is (see PagePatch::path); false inside a node a browser may
/// read otherwise.
bool findPlace(const std::vector<Node> &nodes, std::size_t parent, std::vector<std::size_t> &path)
{
    path.assign(nodes[parent].depth, 0);
    for (std::size_t index = parent, level = nodes[parent].depth; index > 0; --index) {
        const Node &node = nodes[index - 1];
        if (node.depth == level) {
            ++path[level - 1];
        } else if (node.depth < level) {
            if (node.risky)
                return false;
            level = node.depth;
        }
    }
    return true;
}

std::size_t childrenAt(
    const std::vector<Node> &nodes, std::size_t from, std::size_t to, std::uint32_t depth)
{
    std::size_t children = 0;
    for (std::size_t index = from; index < to && nodes[index].depth >= depth; ++index)
        children += nodes[index].depth == depth ? 1 : 0;
    return children;
}

} // namespace

std::optional<PagePatch> pagePatch(const PageSourceMap &shown, const PageSourceMap &next)
{
    const std::vector<Node> &before = shown.m_nodes;
    const std::vector<Node> &after = next.m_nodes;
    if (before.empty() || after.empty() || shown.m_scriptsInBody || next.m_scriptsInBody
        || shown.m_documentIdentity != next.m_documentIdentity)
        return std::nullopt;
    const std::optional<Change> change = changeBetween(before, after);
    if (!change) {
        PagePatch nothing;
        nothing.unchanged = true;
        return nothing;
    }
    const std::size_t first = change->first;
    const std::size_t beforeEnd = change->beforeEnd;
    const std::size_t afterEnd = change->afterEnd;
    const std::uint32_t depth = change->depth;
    if (depth < 3 || first == 0)
        return std::nullopt; // the html, head or body element itself changed
    std::size_t parent = first - 1;
    while (before[parent].depth >= depth)
        --parent;
    const Node &element = before[parent];
    PagePatch patch;
    if (element.kind != 'e' || element.space != 'h' || element.risky
        || !findPlace(before, parent, patch.path))
        return std::nullopt;
    patch.parentName = shown.nodeName(element);
    patch.parentChildren = childrenAt(before, parent + 1, before.size(), depth);
    patch.first = childrenAt(before, parent + 1, first, depth);
    patch.removed = childrenAt(before, first, beforeEnd, depth);

    // Only the body's own nodes are replaced: none that a browser could read otherwise, none
    // that the page's scripts could have found and changed as it loaded.
    const auto inBody = [depth](const PageSourceMap &map, std::size_t from, std::size_t to) {
        for (std::size_t index = from; index < to; ++index) {
            const Node &node = map.m_nodes[index];
            // A text may reach into the template's line breaks around the body.
            const bool outside = !node.placed ? node.depth == depth // no markup to start with
                : node.kind == 't' ? node.end <= map.m_bodyStart || node.start >= map.m_bodyEnd
                                   : node.start < map.m_bodyStart || node.end > map.m_bodyEnd;
            if (node.risky || node.named || outside)
                return false;
        }
        return true;
    };
    if (!inBody(shown, first, beforeEnd) || !inBody(next, first, afterEnd))
        return std::nullopt;
    patch.removedShape = shown.shape(first, beforeEnd, depth);
    patch.addedShape = next.shape(first, afterEnd, depth);
    if (afterEnd > first) {
        std::uint32_t end = 0;
        for (std::size_t index = first; index < afterEnd; ++index)
            end = std::max(end, after[index].end);
        patch.markup = next.m_page.substr(after[first].start, end - after[first].start);
    }
    // A change this large is read as fast by loading the page again.
    constexpr std::size_t SmallPage = std::size_t { 64 } * 1024;
    if (patch.markup.size() > SmallPage && patch.markup.size() > next.m_page.size() / 2)
        return std::nullopt;
    return patch;
}

} // namespace Publish
