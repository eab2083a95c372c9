#include "app/programlists.h"

#include "catalogue/templatecatalogue.h"
#include "platform/fontfamilies.h"

namespace App {

Model::ChoiceLists programChoiceLists(const std::string &homeDir)
{
    return { Catalogue::ListTemplates(homeDir),
        Model::FontFamilyList(Platform::installedFontFamilies()) };
}

} // namespace App
