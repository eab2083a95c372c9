#include "platform/fontfamilies.h"

#include "platform/encoding.h"

#include <QFontDatabase>
#include <QStringList>

namespace Platform {

std::vector<std::string> installedFontFamilies()
{
    std::vector<std::string> families;
    for (const QString &family : QFontDatabase::families()) {
        if (std::optional<std::string> name = utf8ToCp1252Exact(family.toStdString()))
            families.push_back(std::move(*name));
    }
    return families;
}

} // namespace Platform
