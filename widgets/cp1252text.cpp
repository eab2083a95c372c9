#include "widgets/cp1252text.h"

#include "platform/encoding.h"

namespace Widgets {

QString fromCp1252(std::string_view bytes)
{
    return QString::fromStdString(Platform::cp1252ToUtf8(bytes));
}

std::string toCp1252(const QString &text) { return Platform::utf8ToCp1252(text.toStdString()); }

} // namespace Widgets
