#include "upload/manifest.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"

#include <openssl/evp.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace Upload {
namespace {

using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

DigestContext newSha256()
{
    DigestContext context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        throw std::bad_alloc();
    return context;
}

std::string finishHex(EVP_MD_CTX *context)
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest {};
    unsigned int length = 0;
    EVP_DigestFinal_ex(context, digest.data(), &length);
    static constexpr char hexDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += hexDigits[digest[i] >> 4];
        hex += hexDigits[digest[i] & 15];
    }
    return hex;
}

bool isHexDigest(const std::string &text)
{
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

} // namespace

std::string formatManifest(const Manifest &manifest)
{
    std::string text;
    for (const auto &[name, digest] : manifest)
        text += digest.sha256 + " " + std::to_string(digest.size) + " " + name + "\n";
    return text;
}

Manifest parseManifest(const std::string &text)
{
    Manifest manifest;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto firstBlank = line.find(' ');
        const auto secondBlank
            = firstBlank == std::string::npos ? std::string::npos : line.find(' ', firstBlank + 1);
        if (secondBlank == std::string::npos || secondBlank + 1 >= line.size())
            continue;
        FileDigest digest;
        digest.sha256 = line.substr(0, firstBlank);
        const char *sizeStart = line.data() + firstBlank + 1;
        const char *sizeEnd = line.data() + secondBlank;
        const auto [end, error] = std::from_chars(sizeStart, sizeEnd, digest.size);
        const std::string name = line.substr(secondBlank + 1);
        // A name that climbs out of the folder is never taken: deleting it would touch files
        // outside the remote folder.
        const bool safeName = name.front() != '/' && name != ".." && !name.starts_with("../")
            && name.find("/../") == std::string::npos && !name.ends_with("/..");
        if (isHexDigest(digest.sha256) && error == std::errc() && end == sizeEnd && safeName)
            manifest[name] = digest;
    }
    return manifest;
}

std::string sha256Hex(const std::string &bytes)
{
    DigestContext context = newSha256();
    EVP_DigestUpdate(context.get(), bytes.data(), bytes.size());
    return finishHex(context.get());
}

FileDigest digestFile(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        Platform::throwErrno(errno);
    DigestContext context = newSha256();
    std::vector<char> buffer(1 << 20);
    FileDigest digest;
    for (;;) {
        const ssize_t count = ::read(fd, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            const int error = errno;
            ::close(fd);
            Platform::throwErrno(error);
        }
        if (count == 0)
            break;
        EVP_DigestUpdate(context.get(), buffer.data(), static_cast<std::size_t>(count));
        digest.size += static_cast<std::uint64_t>(count);
    }
    ::close(fd);
    digest.sha256 = finishHex(context.get());
    return digest;
}

Manifest scanWebsite(const std::string &websiteDir)
{
    namespace fs = std::filesystem;
    Manifest manifest;
    std::error_code error;
    fs::recursive_directory_iterator entries(websiteDir, error);
    if (error) {
        throw Platform::FileError(Platform::utf8ToCp1252("Cannot read the website folder "
            + websiteDir + " (" + Platform::errnoMessage(error.value()) + ")"));
    }
    for (const fs::directory_entry &entry : entries) {
        if (!entry.is_regular_file())
            continue;
        const std::string name = entry.path().lexically_relative(websiteDir).generic_string();
        if (name == ManifestName)
            continue;
        if (name.find_first_of("\r\n") != std::string::npos) {
            throw Platform::FileError(Platform::utf8ToCp1252(
                "Cannot upload a file whose name holds a line break: " + name));
        }
        manifest[name] = digestFile(entry.path().string());
    }
    return manifest;
}

} // namespace Upload
