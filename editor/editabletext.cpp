#include "editor/editabletext.h"

namespace Editor {

void EditableText::insertLinesAboveCaret(std::span<const std::string> lines)
{
    for (const std::string &line : lines)
        insertLineAboveCaret(line);
}

} // namespace Editor
