#include "platform/filemapping.h"

#include "platform/fileerror.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace Platform {
namespace {

/// A mapping in use, as the handler of the system's bus error sees it. The system signals a
/// bus error when a mapped page lies wholly past the end of a file that was cut short.
struct Mapping
{
    std::atomic<std::uintptr_t> begin { 0 }; ///< 0: the slot is free
    std::atomic<std::uintptr_t> end { 0 };
    std::atomic<bool> cut { false };
};
static_assert(std::atomic<std::uintptr_t>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);

/// Marks a slot that is being filled in.
constexpr std::uintptr_t Claimed = 1;
/// More files than this seen at once are read instead.
std::array<Mapping, 16> mappings;
struct sigaction previousBusError
{
};
std::uintptr_t pageSize = 4096;
std::once_flag handlerInstalled;

/// Puts a page of zero bytes in place of a page of a mapping in use that lies past its file's
/// end, and lets the reading go on. Any other bus error goes where it went before this handler
/// was set, which ends the program as it always would have.
void onBusError(int signal, siginfo_t *info, void * /*context*/)
{
    const int savedErrno = errno;
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    // A code above zero: raised by the system for a fault, not sent by a program.
    for (Mapping &mapping : mappings) {
        const std::uintptr_t begin = mapping.begin.load();
        if (info->si_code <= 0 || begin <= Claimed || address < begin
            || address >= mapping.end.load() || mapping.begin.load() != begin)
            continue;
        auto *page = reinterpret_cast<void *>( // NOLINT(performance-no-int-to-ptr): an address
            address & ~(pageSize - 1));
        if (::mmap(page, pageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0)
            != MAP_FAILED) {
            mapping.cut.store(true);
            errno = savedErrno;
            return;
        }
    }
    ::sigaction(SIGBUS, &previousBusError, nullptr);
    // A fault comes again when the instruction is retried; a sent signal is sent again.
    if (info->si_code <= 0)
        ::raise(signal);
    errno = savedErrno;
}

/// True when the handler is in place: set by this file, and not replaced since.
bool busErrorsHandled()
{
    std::call_once(handlerInstalled, [] {
        pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction action
        {
        };
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_RESTART;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previousBusError);
    });
    struct sigaction current
    {
    };
    return ::sigaction(SIGBUS, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) != 0
        && current.sa_sigaction == onBusError;
}

int claimSlot(const char *data, std::size_t size)
{
    for (std::size_t slot = 0; slot < mappings.size(); ++slot) {
        std::uintptr_t free = 0;
        Mapping &mapping = mappings[slot];
        if (mapping.begin.compare_exchange_strong(free, Claimed)) {
            mapping.cut.store(false);
            mapping.end.store(reinterpret_cast<std::uintptr_t>(data) + size);
            mapping.begin.store(reinterpret_cast<std::uintptr_t>(data));
            return static_cast<int>(slot);
        }
    }
    return -1;
}

} // namespace

MappedFile::MappedFile(const File &file)
    : m_file(file)
{
    std::uint64_t size = 0;
    try {
        size = file.size();
    } catch (const FileError &) {
        return;
    }
    if (size == 0 || size > SIZE_MAX || !busErrorsHandled())
        return;
    void *data = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ,
        MAP_SHARED | MAP_POPULATE, file.descriptor(), 0);
    if (data == MAP_FAILED)
        return;
    m_slot = claimSlot(static_cast<const char *>(data), static_cast<std::size_t>(size));
    if (m_slot < 0) {
        ::munmap(data, static_cast<std::size_t>(size));
        return;
    }
    m_data = static_cast<const char *>(data);
    m_size = static_cast<std::size_t>(size);
}

MappedFile::~MappedFile()
{
    if (!m_data)
        return;
    mappings[static_cast<std::size_t>(m_slot)].begin.store(0);
    ::munmap(const_cast<char *>(m_data), m_size);
}

bool MappedFile::matchesFile() const
{
    if (m_data && mappings[static_cast<std::size_t>(m_slot)].cut.load())
        return false;
    try {
        return m_file.size() == m_size;
    } catch (const FileError &) {
        return false;
    }
}

} // namespace Platform
