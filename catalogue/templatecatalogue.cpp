#include "catalogue/templatecatalogue.h"

#include "platform/encoding.h"
#include "platform/files.h"

#include <algorithm>
#include <string_view>

namespace Catalogue {
namespace {

constexpr std::string_view TemplateExtension = ".t";

} // namespace

std::vector<std::string> ListTemplates(const std::string &homeDir)
{
    std::vector<std::string> names;
    for (const Platform::DirectoryEntry &entry : Platform::listDirectory(homeDir + "/templates")) {
        // Sockets, pipes and devices are no templates; everything else whose name ends in
        // ".t" is, hidden entries and directories included.
        if (entry.kind == Platform::EntryKind::Other)
            continue;
        if (!entry.name.ends_with(TemplateExtension))
            continue;
        names.push_back(entry.name.substr(0, entry.name.size() - TemplateExtension.size()));
    }
    std::sort(names.begin(), names.end(), Platform::caselessBefore);
    return names;
}

std::string TemplatePreviewPath(const std::string &homeDir, const std::string &name)
{
    return homeDir + "/templates/" + name + ".jpg";
}

} // namespace Catalogue
