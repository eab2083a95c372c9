#pragma once

#include "upload/hostsettings.h"

#include <optional>
#include <string>

namespace Upload {

/// The entry under which the desktop's keyring keeps a host's password or key passphrase:
/// "sftp://alice@example.org:22".
std::string keyringEntry(const HostSettings &settings);

/// What asking for a host's password gave.
struct PasswordAnswer
{
    std::optional<std::string> password;
    /// Why the keyring could not be asked ("the desktop's keyring is locked"), a program text
    /// (Windows-1252); empty when it answered, with or without a password.
    std::string keyringProblem;
};

/// The password the keyring keeps for a host. Waits at most a few seconds; a keyring that is
/// absent, locked or silent gives no password and says why.
PasswordAnswer readKeyringPassword(const HostSettings &settings);

/// Hands a password to the keyring. Returns why it could not be kept (a program text), empty
/// when it was. Never written to any file of the program's.
std::string storeKeyringPassword(const HostSettings &settings, const std::string &password);

/// The password for a run without a window: CORVANTA_UPLOAD_PASSWORD when set (the keyring
/// is then not asked), else the keyring's.
PasswordAnswer passwordFromEnvironmentOrKeyring(const HostSettings &settings);

} // namespace Upload
