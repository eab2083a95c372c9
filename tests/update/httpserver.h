#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace Testing {

/// How the test server answers one path.
struct Reply
{
    enum class Kind {
        Whole, ///< status line, Content-Length, the body
        Chunked, ///< the body in chunks of `chunkSize` bytes, `pause` between them
        CloseAtOnce, ///< reads the request and hangs up without a word
        CloseMidBody, ///< announces the body's length, sends half of it and hangs up
    };
    Kind kind = Kind::Whole;
    int status = 200;
    std::string body;
    std::string extraHeaders; ///< lines ending in "\r\n", e.g. "Location: /v11\r\n"
    std::size_t chunkSize = 1;
    std::chrono::milliseconds pause { 0 };
};

inline Reply whole(std::string body, int status = 200)
{
    return { Reply::Kind::Whole, status, std::move(body), {}, 1, std::chrono::milliseconds(0) };
}

/// A small HTTP/1.1 server on 127.0.0.1, on a port the system picks, answering one
/// connection at a time on its own thread until it is destroyed. Paths it does not know get
/// "404 Not Found" with a short body.
class HttpServer
{
public:
    HttpServer();
    ~HttpServer();
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    void serve(const std::string &path, Reply reply);
    /// "http://127.0.0.1:<port><path>"
    std::string address(const std::string &path) const;
    int port() const { return m_port; }

    /// The request lines received so far ("GET /v11 HTTP/1.1").
    std::vector<std::string> requests() const;
    /// The User-Agent header of the last request.
    std::string lastUserAgent() const;

private:
    void run();
    void answer(int connection);

    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping { false };
    mutable std::mutex m_mutex;
    std::map<std::string, Reply> m_replies;
    std::vector<std::string> m_requests;
    std::string m_lastUserAgent;
    std::thread m_thread;
};

/// A port on 127.0.0.1 where nothing listens.
int unusedPort();

} // namespace Testing
