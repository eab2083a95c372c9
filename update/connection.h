#pragma once

namespace Update {

/// True when some network interface other than loopback is up, running and has an address:
/// the computer may reach the update server.
bool IsInternetConnected();

} // namespace Update
