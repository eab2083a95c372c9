#include "catalogue/templatecatalogue.h"

#include "platform/files.h"

#include <algorithm>
#include <compare>
#include <string_view>

namespace Catalogue {
namespace {

constexpr std::string_view TemplateExtension = ".t";

/// A Windows-1252 byte in lower case: the ASCII letters and the accented capitals of the set
/// (À to Þ except ×, and Š, Œ, Ž, Ÿ).
unsigned char foldCase(unsigned char byte)
{
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7))
        return static_cast<unsigned char>(byte + 0x20);
    switch (byte) {
    case 0x8A: // Š
    case 0x8C: // Œ
    case 0x8E: // Ž
        return static_cast<unsigned char>(byte + 0x10);
    case 0x9F: // Ÿ
        return 0xFF;
    default:
        return byte;
    }
}

/// Names in an order that is the same on every machine with the same templates: without
/// regard to letter case, names that differ only in case by their exact bytes.
bool comesBefore(std::string_view a, std::string_view b)
{
    const auto caseless = std::lexicographical_compare_three_way(
        a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return foldCase(static_cast<unsigned char>(x))
                <=> foldCase(static_cast<unsigned char>(y));
        });
    if (caseless != 0)
        return caseless < 0;
    return a < b; // compares the bytes as unsigned values
}

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
    std::sort(names.begin(), names.end(), comesBefore);
    return names;
}

std::string TemplatePreviewPath(const std::string &homeDir, const std::string &name)
{
    return homeDir + "/templates/" + name + ".jpg";
}

} // namespace Catalogue
