#pragma once

#include "upload/hostsettings.h"

#include <optional>
#include <string>

namespace Upload {

/// The entry under which the desktop's keyring keeps a host's password or key passphrase:
/// "sftp://alice@example.org:22".
std::string keyringEntry(const HostSettings &settings);

/// The password the keyring keeps for a host, or nothing when it keeps none or there is no
/// keyring to ask (no desktop session). Waits at most a few seconds.
std::optional<std::string> readKeyringPassword(const HostSettings &settings);

/// Hands a password to the keyring; false when there is no keyring or it refused. Never
/// written to any file of the program's.
bool storeKeyringPassword(const HostSettings &settings, const std::string &password);

/// The password for a run without a window: CORVANTA_UPLOAD_PASSWORD when set, else the
/// keyring's, else nothing.
std::optional<std::string> passwordFromEnvironmentOrKeyring(const HostSettings &settings);

} // namespace Upload
