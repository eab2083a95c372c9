#pragma once

#include <string_view>
#include <vector>

namespace Platform {

/// The lines of a text file as the program reads templates and the update file: a line ends
/// at a carriage return, a line feed directly after it is dropped, a line feed anywhere else
/// belongs to the line, and a Ctrl-Z ends the file. Like reading line by line until the end,
/// an empty file still gives one empty line, and a line end at the very end starts no
/// further line.
std::vector<std::string_view> splitTextLines(std::string_view content);

/// The first line by the same rule: the content up to the first carriage return or Ctrl-Z.
std::string_view firstTextLine(std::string_view content);

} // namespace Platform
