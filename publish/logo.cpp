#include "publish/logo.h"

#include "platform/fileerror.h"

#include <optional>
#include <utility>

namespace Publish {
namespace {

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool isXmlBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

/// Where the markup declaration starting at `at` ("<!DOCTYPE ...>", which may hold a
/// bracketed list of declarations) ends; npos when it does not end in `text`.
std::size_t endOfDeclaration(std::string_view text, std::size_t at)
{
    int brackets = 0;
    char quote = 0;
    for (std::size_t i = at; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            quote = c == quote ? '\0' : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[') {
            ++brackets;
        } else if (c == ']') {
            --brackets;
        } else if (c == '>' && brackets <= 0) {
            return i + 1;
        }
    }
    return std::string_view::npos;
}

/// An SVG drawing: XML whose first element, after the XML declaration, processing
/// instructions, comments and a document type, is <svg>.
bool isSvg(std::string_view text)
{
    if (startsWith(text, "\xEF\xBB\xBF"))
        text.remove_prefix(3);
    std::size_t at = 0;
    for (;;) {
        while (at < text.size() && isXmlBlank(text[at]))
            ++at;
        const std::string_view rest = text.substr(at);
        std::size_t end = std::string_view::npos;
        if (startsWith(rest, "<?")) {
            end = text.find("?>", at + 2);
            end = end == std::string_view::npos ? end : end + 2;
        } else if (startsWith(rest, "<!--")) {
            end = text.find("-->", at + 4);
            end = end == std::string_view::npos ? end : end + 3;
        } else if (startsWith(rest, "<!DOCTYPE")) {
            end = endOfDeclaration(text, at);
        } else {
            return startsWith(rest, "<svg") && rest.size() > 4
                && (isXmlBlank(rest[4]) || rest[4] == '>' || rest[4] == '/');
        }
        if (end == std::string_view::npos)
            return false;
        at = end;
    }
}

} // namespace

bool isPictureContent(std::string_view head)
{
    return startsWith(head, "\xFF\xD8\xFF") // JPEG
        || startsWith(head, "\x89PNG\r\n\x1A\n") // PNG
        || startsWith(head, "GIF87a") || startsWith(head, "GIF89a")
        || (startsWith(head, "RIFF") && head.size() >= 12 && head.substr(8, 4) == "WEBP")
        || isSvg(head);
}

namespace {

constexpr const char *NotAPicture = "is not a JPEG, PNG, GIF, WebP or SVG picture";

/// Opens the logo and reads its first bytes; true when it is a picture.
bool openAndRecognise(const std::string &logoPath, std::optional<Platform::File> &logo)
{
    // The logo is the person's own file, wherever it is: a link to it is followed.
    logo.emplace(logoPath, Platform::File::Mode::Read);
    std::string head(LogoHeadSize, '\0');
    head.resize(logo->readFully(head.data(), head.size()));
    return isPictureContent(head);
}

} // namespace

Platform::File openLogo(const std::string &logoPath)
{
    std::optional<Platform::File> logo;
    if (!openAndRecognise(logoPath, logo)) {
        throw Platform::FileError("The logo \"" + logoPath + "\" " + NotAPicture
            + ", so it was not put in the website. Choose a picture as the logo.");
    }
    return std::move(*logo);
}

std::string logoProblem(const std::string &logoPath)
{
    std::optional<Platform::File> logo;
    try {
        return openAndRecognise(logoPath, logo) ? std::string() : NotAPicture;
    } catch (const Platform::FileError &error) {
        return std::string("cannot be read: ") + error.what();
    }
}

} // namespace Publish
