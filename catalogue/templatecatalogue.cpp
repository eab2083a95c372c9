#include "catalogue/templatecatalogue.h"

#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/userfolders.h"

#include <algorithm>
#include <string_view>

namespace Catalogue {
namespace {

constexpr std::string_view TemplateExtension = ".t";

void addTemplatesOf(const std::string &folder, std::vector<std::string> &names)
{
    for (const Platform::DirectoryEntry &entry : Platform::listDirectory(folder)) {
        // Sockets, pipes and devices are no templates; everything else whose name ends in
        // ".t" is, hidden entries and directories included.
        if (entry.kind == Platform::EntryKind::Other)
            continue;
        if (!entry.name.ends_with(TemplateExtension))
            continue;
        names.push_back(entry.name.substr(0, entry.name.size() - TemplateExtension.size()));
    }
}

} // namespace

std::string UserTemplatesDirectory()
{
    const std::optional<std::string> dataHome = Platform::userFolder(Platform::UserFolder::Data);
    if (!dataHome)
        return {};
    const std::optional<std::string> folder
        = Platform::utf8ToCp1252Exact(*dataHome + "/corvanta/templates");
    return folder.value_or(std::string());
}

std::vector<std::string> ListTemplates(const std::string &homeDir)
{
    std::vector<std::string> names;
    const std::string userFolder = UserTemplatesDirectory();
    if (!userFolder.empty())
        addTemplatesOf(userFolder, names);
    addTemplatesOf(homeDir + "/templates", names);
    // Names that differ only in letter case are different templates; the same name in both
    // folders is one template, the user's.
    std::sort(names.begin(), names.end(), Platform::caselessBefore);
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

std::string TemplateDirectory(const std::string &homeDir, const std::string &name)
{
    const std::string userFolder = UserTemplatesDirectory();
    if (!userFolder.empty() && Platform::pathExists(userFolder + "/" + name + ".t"))
        return userFolder;
    return homeDir + "/templates";
}

std::string TemplatePreviewPath(const std::string &homeDir, const std::string &name)
{
    return TemplateDirectory(homeDir, name) + "/" + name + ".jpg";
}

} // namespace Catalogue
