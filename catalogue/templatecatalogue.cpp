#include "catalogue/templatecatalogue.h"

#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/userfolders.h"

#include <algorithm>
#include <string_view>

namespace Catalogue {
namespace {

constexpr std::string_view TemplateExtension = ".t";

/// Whether `folder`/`name` is a template's own folder: it holds "<name>.t".
bool isTemplateFolder(const std::string &folder, const std::string &name)
{
    return !name.empty() && !name.starts_with('.')
        && Platform::pathExists(folder + "/" + name + "/" + name + std::string(TemplateExtension));
}

/// Adds the templates of a folder. With `ownFolders`, a folder inside that holds a template
/// of its own name is that template (how added templates are kept), and is not read as one
/// by the rule for the other entries.
void addTemplatesOf(
    const std::string &folder, std::vector<std::string> &names, bool ownFolders = false)
{
    for (const Platform::DirectoryEntry &entry : Platform::listDirectory(folder)) {
        if (ownFolders && entry.kind == Platform::EntryKind::Directory
            && isTemplateFolder(folder, entry.name)) {
            names.push_back(entry.name);
            continue;
        }
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
        addTemplatesOf(userFolder, names, true);
    addTemplatesOf(homeDir + "/templates", names);
    // Names that differ only in letter case are different templates; the same name in both
    // folders is one template, the user's.
    std::sort(names.begin(), names.end(), Platform::caselessBefore);
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

std::string TemplateDirectory(const std::string &homeDir, const std::string &name)
{
    std::string userFolder = UserTemplatesDirectory();
    if (userFolder.empty())
        return homeDir + "/templates";
    if (isTemplateFolder(userFolder, name))
        return userFolder + "/" + name;
    if (Platform::pathExists(userFolder + "/" + name + ".t"))
        return userFolder;
    return homeDir + "/templates";
}

std::string PrintableTemplateName(const std::string &name)
{
    static constexpr char Digits[] = "0123456789abcdef";
    std::string printable;
    printable.reserve(name.size());
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        // Windows-1252 leaves 0x81, 0x8D, 0x8F, 0x90 and 0x9D unassigned; they would reach a
        // terminal as control characters.
        const bool control = byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x8D
            || byte == 0x8F || byte == 0x90 || byte == 0x9D;
        if (control || c == '\\') {
            printable += "\\x";
            printable += Digits[byte >> 4];
            printable += Digits[byte & 0xF];
        } else {
            printable += c;
        }
    }
    return printable;
}

std::string TemplatePreviewPath(const std::string &homeDir, const std::string &name)
{
    return TemplateDirectory(homeDir, name) + "/" + name + ".jpg";
}

} // namespace Catalogue
