#include "publish/bodycopies.h"

#include "platform/fileerror.h"

#include <unistd.h>

namespace Publish {
namespace {

/// Cuts a page whose body copy was not made off where its body was to begin, so that a run that
/// stopped leaves pages cut short, as a run that writes them through does, never a page with
/// room in it that was not filled.
void cutAtRoom(const Platform::File &page, std::uint64_t offset)
{
    try {
        if (page.size() > offset)
            static_cast<void>(::ftruncate(page.descriptor(), static_cast<off_t>(offset)));
    } catch (const Platform::FileError &) {
        // The run has failed already, and says why.
    }
}

} // namespace

void BodyCopies::add(
    Platform::File page, const Platform::File &body, std::uint64_t size, std::uint64_t offset)
{
    const std::lock_guard lock(m_mutex);
    m_waiting.push_back({ std::move(page), &body, size, offset });
    m_changed.notify_all();
}

void BodyCopies::close()
{
    const std::lock_guard lock(m_mutex);
    m_closed = true;
    m_changed.notify_all();
}

void BodyCopies::abandon()
{
    const std::lock_guard lock(m_mutex);
    for (const Copy &copy : m_waiting)
        cutAtRoom(copy.page, copy.offset);
    m_waiting.clear();
    m_closed = true;
    m_changed.notify_all();
}

void BodyCopies::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_waiting.empty() || m_closed || m_failure; });
        if (m_failure || m_waiting.empty())
            return;
        Copy copy = std::move(m_waiting.front());
        m_waiting.pop_front();
        ++m_running;
        lock.unlock();
        std::exception_ptr failure;
        try {
            copy.page.writeContentsAt(*copy.body, copy.size, copy.offset);
            copy.page.close();
        } catch (...) {
            failure = std::current_exception();
            cutAtRoom(copy.page, copy.offset);
        }
        lock.lock();
        --m_running;
        if (failure && !m_failure)
            m_failure = failure;
        m_changed.notify_all();
    }
}

void BodyCopies::finish()
{
    close();
    work();
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_running == 0; });
    if (m_failure)
        std::rethrow_exception(m_failure);
}

} // namespace Publish
