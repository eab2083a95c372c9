#include "platform/textlines.h"

namespace Platform {

std::vector<std::string_view> splitTextLines(std::string_view content)
{
    const auto end = content.find('\x1A');
    if (end != std::string_view::npos)
        content = content.substr(0, end);

    std::vector<std::string_view> lines;
    std::size_t position = 0;
    do {
        const auto lineEnd = content.find('\r', position);
        if (lineEnd == std::string_view::npos) {
            lines.push_back(content.substr(position));
            position = content.size();
        } else {
            lines.push_back(content.substr(position, lineEnd - position));
            position = lineEnd + 1;
            if (position < content.size() && content[position] == '\n')
                ++position;
        }
    } while (position < content.size());
    return lines;
}

std::string_view firstTextLine(std::string_view content)
{
    return content.substr(0, content.find_first_of(std::string_view("\r\x1A", 2)));
}

} // namespace Platform
