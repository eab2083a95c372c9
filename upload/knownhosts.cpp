#include "upload/knownhosts.h"

#include "platform/encoding.h"
#include "platform/fileerror.h"
#include "platform/userfolders.h"

#include <openssl/evp.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace Upload {
namespace {

std::string base64(const unsigned char *bytes, std::size_t size)
{
    std::string text(4 * ((size + 2) / 3) + 1, '\0');
    const int length = EVP_EncodeBlock(
        reinterpret_cast<unsigned char *>(text.data()), bytes, static_cast<int>(size));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::optional<std::string> fromBase64(const std::string &text)
{
    if (text.empty() || text.size() % 4 != 0)
        return std::nullopt;
    std::string bytes(text.size() / 4 * 3, '\0');
    const int length = EVP_DecodeBlock(reinterpret_cast<unsigned char *>(bytes.data()),
        reinterpret_cast<const unsigned char *>(text.data()), static_cast<int>(text.size()));
    if (length < 0)
        return std::nullopt;
    const std::size_t padding = text.ends_with("==") ? 2 : text.ends_with("=") ? 1 : 0;
    bytes.resize(static_cast<std::size_t>(length) - padding);
    return bytes;
}

std::string hostField(const std::string &host, int port)
{
    return port == 22 ? host : "[" + host + "]:" + std::to_string(port);
}

/// The key type named at the start of a key's wire form ("ssh-ed25519").
std::string keyTypeOf(const std::string &key)
{
    if (key.size() < 4)
        return "ssh-unknown";
    const std::size_t length = static_cast<unsigned char>(key[0]) << 24
        | static_cast<unsigned char>(key[1]) << 16 | static_cast<unsigned char>(key[2]) << 8
        | static_cast<unsigned char>(key[3]);
    if (length == 0 || length > 64 || key.size() < 4 + length)
        return "ssh-unknown";
    return key.substr(4, length);
}

} // namespace

KnownHosts::KnownHosts(std::string path)
    : m_path(std::move(path))
{ }

std::string KnownHosts::defaultPath()
{
    const std::optional<std::string> config = Platform::userFolder(Platform::UserFolder::Config);
    if (!config)
        throw Platform::FileError("Cannot find the folder for known hosts: HOME is not set");
    return *config + "/corvanta/known_hosts";
}

std::optional<std::string> KnownHosts::keyOf(const std::string &host, int port) const
{
    std::ifstream in(m_path);
    const std::string wanted = hostField(host, port);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string hosts, type, encoded;
        if (!(fields >> hosts >> type >> encoded) || hosts != wanted)
            continue;
        if (auto key = fromBase64(encoded))
            return key;
    }
    return std::nullopt;
}

void KnownHosts::accept(const std::string &host, int port, const std::string &key) const
{
    const std::string field = hostField(host, port);
    std::vector<std::string> kept;
    {
        std::ifstream in(m_path);
        std::string line;
        while (std::getline(in, line)) {
            if (!line.starts_with(field + " "))
                kept.push_back(line);
        }
    }
    kept.push_back(field + " " + keyTypeOf(key) + " "
        + base64(reinterpret_cast<const unsigned char *>(key.data()), key.size()));

    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(m_path).parent_path(), ignored);
    const std::string temporary = m_path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        for (const std::string &line : kept)
            out << line << "\n";
        out.flush();
        if (!out) {
            const int error = errno;
            std::filesystem::remove(temporary, ignored);
            throw Platform::FileError(Platform::utf8ToCp1252("Cannot keep the host key in " + m_path
                + " (" + Platform::errnoMessage(error) + ")"));
        }
    }
    std::filesystem::rename(temporary, m_path, ignored);
    if (ignored) {
        throw Platform::FileError(Platform::utf8ToCp1252("Cannot keep the host key in " + m_path
            + " (" + Platform::errnoMessage(ignored.value()) + ")"));
    }
}

std::string fingerprintOf(const std::string &key)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(key.data(), key.size(), digest, &length, EVP_sha256(), nullptr);
    std::string text = base64(digest, length);
    while (!text.empty() && text.back() == '=')
        text.pop_back();
    return "SHA256:" + text;
}

} // namespace Upload
