// The patch between two published pages, from the nodes their source maps read.
#include "publish/pagesourcemap.h"

#include <gumbo.h>

#include <algorithm>
#include <limits>

namespace Publish {

std::optional<PagePatch> pagePatch(const PageSourceMap &shown, const PageSourceMap &next)
{
    using Node = PageSourceMap::Node;
    const std::vector<Node> &before = shown.m_nodes;
    const std::vector<Node> &after = next.m_nodes;
    if (before.empty() || after.empty() || shown.m_scriptsInBody || next.m_scriptsInBody
        || shown.m_documentIdentity != next.m_documentIdentity)
        return std::nullopt;
    const auto same = [](const Node &a, const Node &b) {
        return a.identity == b.identity && a.depth == b.depth && a.kind == b.kind
            && a.measure == b.measure;
    };
    // The nodes both documents begin and end with; between them, what changed.
    const std::size_t shorter = std::min(before.size(), after.size());
    std::size_t first = 0;
    while (first < shorter && same(before[first], after[first]))
        ++first;
    if (first == before.size() && first == after.size()) {
        PagePatch nothing;
        nothing.unchanged = true;
        return nothing;
    }
    std::size_t common = 0;
    while (common < shorter - first
        && same(before[before.size() - 1 - common], after[after.size() - 1 - common]))
        ++common;
    std::size_t beforeEnd = before.size() - common;
    std::size_t afterEnd = after.size() - common;

    // The changed nodes widen to whole children of one element.
    std::uint32_t depth = std::numeric_limits<std::uint32_t>::max();
    for (std::size_t index = first; index < beforeEnd; ++index)
        depth = std::min(depth, before[index].depth);
    for (std::size_t index = first; index < afterEnd; ++index)
        depth = std::min(depth, after[index].depth);
    const auto deeper = [&](std::size_t index) {
        return (index < beforeEnd && before[index].depth > depth)
            || (index < afterEnd && after[index].depth > depth);
    };
    while (first > 0 && deeper(first))
        --first;
    while (beforeEnd < before.size() && before[beforeEnd].depth > depth) {
        ++beforeEnd;
        ++afterEnd;
    }
    if (depth < 3 || first == 0)
        return std::nullopt; // the html, head or body element itself changed
    std::size_t parent = first - 1;
    while (before[parent].depth >= depth)
        --parent;
    const Node &element = before[parent];
    if (element.kind != 'e' || element.space != 'h' || element.risky)
        return std::nullopt;

    PagePatch patch;
    patch.parentName = shown.nodeName(element);
    // The element's place: at each depth, the earlier children of the same parent.
    patch.path.assign(element.depth, 0);
    for (std::size_t index = parent, level = element.depth; index > 0; --index) {
        const Node &node = before[index - 1];
        if (node.depth == level) {
            ++patch.path[level - 1];
        } else if (node.depth < level) {
            if (node.risky)
                return std::nullopt; // inside a noscript, a node the parser moved, ...
            level = node.depth;
        }
    }
    for (std::size_t index = parent + 1; index < first; ++index)
        patch.first += before[index].depth == depth ? 1 : 0;
    for (std::size_t index = parent + 1; index < before.size() && before[index].depth >= depth;
         ++index)
        patch.parentChildren += before[index].depth == depth ? 1 : 0;

    // Only the body's own nodes are replaced: none that a browser could read otherwise, none
    // that the page's scripts could have found and changed as it loaded.
    const auto inBody = [](const PageSourceMap &map, const std::vector<Node> &nodes,
                            std::size_t from, std::size_t to) {
        for (std::size_t index = from; index < to; ++index) {
            const Node &node = nodes[index];
            if (node.risky || node.named || (node.depth == nodes[from].depth && !node.placed)
                || node.start < map.m_bodyStart || node.end > map.m_bodyEnd)
                return false;
        }
        return true;
    };
    if (!inBody(shown, before, first, beforeEnd) || !inBody(next, after, first, afterEnd))
        return std::nullopt;
    for (std::size_t index = first; index < beforeEnd; ++index)
        patch.removed += before[index].depth == depth ? 1 : 0;
    patch.removedShape = shown.shape(first, beforeEnd, depth);
    patch.addedShape = next.shape(first, afterEnd, depth);
    if (afterEnd > first) {
        std::uint32_t end = 0;
        for (std::size_t index = first; index < afterEnd; ++index)
            end = std::max(end, after[index].end);
        patch.markup = next.m_page.substr(after[first].start, end - after[first].start);
    }
    // A change this large is read as fast by loading the page again.
    constexpr std::size_t SmallPage = 64 * 1024;
    if (patch.markup.size() > SmallPage && patch.markup.size() > next.m_page.size() / 2)
        return std::nullopt;
    return patch;
}

} // namespace Publish
