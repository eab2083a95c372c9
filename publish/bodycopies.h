#pragma once

#include "platform/files.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>

namespace Publish {

/// The copies of page bodies from their files into the pages, made by the threads of a run
/// while the pages are written: a page leaves room for its body and hands the copy over here.
class BodyCopies
{
public:
    /// Hands over the copy of the first `size` bytes of `body` into `page` at `offset`. The
    /// body file stays open until the copies are finished.
    void add(
        Platform::File page, const Platform::File &body, std::uint64_t size, std::uint64_t offset);
    /// Says that no more copies come.
    void close();
    /// Drops the copies not yet begun, when the run stops early. Their pages, and the page of a
    /// copy that failed, end where their bodies were to begin.
    void abandon();
    /// Makes copies handed over until none is left and none can come any more, or one failed.
    void work();
    /// Closes, helps with what is left, and waits until every copy is made; throws the
    /// failure of the first copy that failed.
    void finish();

private:
    struct Copy
    {
        Platform::File page;
        const Platform::File *body;
        std::uint64_t size;
        std::uint64_t offset;
    };

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Copy> m_waiting;
    int m_running = 0;
    bool m_closed = false;
    std::exception_ptr m_failure;
};

} // namespace Publish
