#include "publish/bodycopies.h"

namespace Publish {

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
