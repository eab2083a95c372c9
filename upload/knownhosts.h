#pragma once

#include <optional>
#include <string>

namespace Upload {

/// The SSH host keys the user has accepted, kept in the program's own file in the OpenSSH
/// known_hosts layout ("[host]:port ssh-ed25519 AAAA...", "host ..." on port 22).
class KnownHosts
{
public:
    /// The keys in `path` (UTF-8); the file need not exist yet.
    explicit KnownHosts(std::string path);

    /// "corvanta/known_hosts" in the user's config folder (Platform::userFolder). Throws
    /// FileError when there is no such folder.
    static std::string defaultPath();

    /// The key (its SSH wire form) accepted for a host and port, if any.
    std::optional<std::string> keyOf(const std::string &host, int port) const;
    /// Records a key the user accepted, replacing any older line for the same host and port.
    /// Throws Platform::FileError.
    void accept(const std::string &host, int port, const std::string &key) const;

    const std::string &path() const { return m_path; }

private:
    std::string m_path;
};

/// A key's fingerprint as OpenSSH shows it: "SHA256:" and the unpadded base64 of its SHA-256.
std::string fingerprintOf(const std::string &key);

} // namespace Upload
