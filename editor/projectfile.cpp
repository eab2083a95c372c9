#include "editor/projectfile.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/files.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>

namespace Editor {

namespace fs = std::filesystem;

namespace {

std::string lowerExtension(const std::string &path)
{
    const std::string name = Platform::fileNameOf(path);
    const std::size_t dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
        [](unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return extension;
}

bool sameBytes(const fs::path &a, const fs::path &b)
{
    std::error_code error;
    if (fs::file_size(a, error) != fs::file_size(b, error) || error)
        return false;
    std::ifstream first(a, std::ios::binary), second(b, std::ios::binary);
    return std::equal(std::istreambuf_iterator<char>(first), std::istreambuf_iterator<char>(),
        std::istreambuf_iterator<char>(second));
}

// The part of `path` below `folder`, or nothing when it is not inside it.
std::optional<std::string> insideFolder(const fs::path &path, const fs::path &folder)
{
    const fs::path relative = path.lexically_relative(folder);
    if (relative.empty() || *relative.begin() == "..")
        return std::nullopt;
    return relative.generic_string();
}

} // namespace

bool isPictureFile(const std::string &path)
{
    static constexpr std::array<std::string_view, 9> Pictures { "gif", "jpg", "jpeg", "png", "bmp",
        "svg", "webp", "ico", "avif" };
    const std::string extension = lowerExtension(path);
    return std::find(Pictures.begin(), Pictures.end(), extension) != Pictures.end();
}

bool namesLocalFile(const std::string &answer)
{
    std::error_code error;
    return !answer.empty() && answer.front() == '/'
        && fs::is_regular_file(Platform::nativePath(answer), error);
}

std::optional<std::string> referToFile(const std::string &chosen, const std::string &projectFile,
    Platform::Dialogs &dialogs, const SaveFirst &saveFirst)
{
    std::string savedFile = projectFile;
    if (savedFile.empty() && !saveFirst) {
        dialogs.notify({ Platform::ApplicationTitle,
            "Please save your project first: pictures and files are copied into folders "
            "beside the project file.",
            Platform::MessageIcon::Information, Platform::MessageButtons::Ok });
        return std::nullopt;
    }
    if (savedFile.empty()) {
        const std::string what = isPictureFile(chosen) ? "picture" : "file";
        if (!dialogs.confirm({ Platform::ApplicationTitle,
                "Save the project now so the " + what + " can be copied beside it?",
                Platform::MessageIcon::Question, Platform::MessageButtons::OkCancel }))
            return std::nullopt;
        savedFile = saveFirst();
        if (savedFile.empty())
            return std::nullopt;
    }
    const fs::path source = fs::path(Platform::nativePath(chosen)).lexically_normal();
    const fs::path folder = fs::path(Platform::nativePath(savedFile)).parent_path();
    if (const auto inside = insideFolder(source, folder))
        return Platform::utf8ToCp1252(*inside);

    const std::string subfolder = isPictureFile(chosen) ? "images" : "files";
    const fs::path target = folder / subfolder / source.filename();
    const std::string reference = subfolder + "/" + Platform::fileNameOf(chosen);
    std::error_code error;
    if (fs::exists(target, error)) {
        if (sameBytes(source, target))
            return reference;
        const bool replace = dialogs.confirm({ Platform::ApplicationTitle,
            "A different file called " + Platform::fileNameOf(chosen) + " is already in the "
                + subfolder + " folder of your project.\nDo you want to replace it?",
            Platform::MessageIcon::Question, Platform::MessageButtons::OkCancel });
        if (!replace)
            return std::nullopt;
    }
    fs::create_directories(target.parent_path(), error);
    if (error || !fs::copy_file(source, target, fs::copy_options::overwrite_existing, error))
        throw Platform::FileError(
            "Cannot copy " + chosen + " to " + Platform::utf8ToCp1252(target.string()));
    return reference;
}

std::string markupForFile(const std::string &reference)
{
    const std::string name = Platform::fileNameOf(reference);
    if (isPictureFile(reference)) {
        const std::size_t dot = name.rfind('.');
        return "<img src=\"" + reference + "\" alt=\"" + name.substr(0, dot) + "\">";
    }
    return "<a href=\"" + reference + "\">" + name + "</a>";
}

} // namespace Editor
