#include "editor/editabletext.h"

namespace Editor {

void EditableText::InsertLinesAboveCaret(std::span<const std::string> lines)
{
    for (const std::string &line : lines)
        InsertLineAboveCaret(line);
}

} // namespace Editor
