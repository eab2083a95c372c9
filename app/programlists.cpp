#include "app/programlists.h"

#include "catalogue/templatecatalogue.h"
#include "platform/encoding.h"

#include <QFontDatabase>
#include <QStringList>

namespace App {

Model::ChoiceLists programChoiceLists(const std::string &homeDir)
{
    std::vector<std::string> families;
    for (const QString &family : QFontDatabase::families()) {
        // A name Windows-1252 cannot hold could not be written into a stylesheet.
        if (std::optional<std::string> name = Platform::utf8ToCp1252Exact(family.toStdString()))
            families.push_back(std::move(*name));
    }
    return { Catalogue::ListTemplates(homeDir), Model::FontFamilyList(families) };
}

} // namespace App
