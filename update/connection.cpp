#include "update/connection.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

namespace Update {

bool IsInternetConnected()
{
    ifaddrs *interfaces = nullptr;
    if (::getifaddrs(&interfaces) != 0)
        return false;
    bool connected = false;
    for (const ifaddrs *entry = interfaces; entry != nullptr && !connected;
         entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr)
            continue;
        const int family = entry->ifa_addr->sa_family;
        const unsigned flags = entry->ifa_flags;
        connected = (family == AF_INET || family == AF_INET6) && (flags & IFF_UP) != 0
            && (flags & IFF_RUNNING) != 0 && (flags & IFF_LOOPBACK) == 0;
    }
    ::freeifaddrs(interfaces);
    return connected;
}

} // namespace Update
