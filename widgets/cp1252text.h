#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace Widgets {

/// A program text (Windows-1252 bytes) as a window shows it.
QString fromCp1252(std::string_view bytes);

/// What a window holds or the user typed, as a program text; a character Windows-1252 lacks
/// becomes an HTML character reference ("&#20013;").
std::string toCp1252(const QString &text);

} // namespace Widgets
