#include "tests/update/httpserver.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace Testing {
namespace {

sockaddr_in loopback(int port)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int boundSocket(int &port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&address), length) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        throw std::runtime_error("cannot bind a socket on 127.0.0.1");
    port = ntohs(address.sin_port);
    return fd;
}

/// False when the client went away; there is nothing more to tell it then.
bool sendAll(int connection, const std::string &bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t count
            = ::send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count <= 0)
            return false;
        sent += static_cast<std::size_t>(count);
    }
    return true;
}

std::string statusLine(int status)
{
    const char *reason = status == 200 ? "OK" : status == 404 ? "Not Found" : "Status";
    return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n";
}

std::string headerValue(const std::string &request, const std::string &name)
{
    const std::string key = "\r\n" + name + ": ";
    const auto start = request.find(key);
    if (start == std::string::npos)
        return {};
    const auto valueStart = start + key.size();
    return request.substr(valueStart, request.find("\r\n", valueStart) - valueStart);
}

} // namespace

HttpServer::HttpServer()
{
    // The download honours the proxy variables; a proxy of the test machine must not stand
    // between it and this server.
    ::setenv("no_proxy", "127.0.0.1", 1);
    ::setenv("NO_PROXY", "127.0.0.1", 1);
    m_listener = boundSocket(m_port);
    if (::listen(m_listener, 8) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    m_thread = std::thread([this] { run(); });
}

HttpServer::~HttpServer()
{
    m_stopping = true;
    m_thread.join();
    ::close(m_listener);
}

void HttpServer::serve(const std::string &path, Reply reply)
{
    std::lock_guard lock(m_mutex);
    m_replies[path] = std::move(reply);
}

std::string HttpServer::address(const std::string &path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<std::string> HttpServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::string HttpServer::lastUserAgent() const
{
    std::lock_guard lock(m_mutex);
    return m_lastUserAgent;
}

void HttpServer::run()
{
    // Polls so that the destructor's stop is seen within a tenth of a second.
    while (!m_stopping) {
        pollfd waiting { m_listener, POLLIN, 0 };
        if (::poll(&waiting, 1, 100) <= 0)
            continue;
        const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        answer(connection);
        ::close(connection);
    }
}

void HttpServer::answer(int connection)
{
    timeval limit { 5, 0 };
    ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const ssize_t count = ::recv(connection, buffer, sizeof buffer, 0);
        if (count <= 0)
            return;
        request.append(buffer, static_cast<std::size_t>(count));
    }
    const std::string requestLine = request.substr(0, request.find("\r\n"));
    const auto pathStart = requestLine.find(' ') + 1;
    const std::string path
        = requestLine.substr(pathStart, requestLine.find(' ', pathStart) - pathStart);

    Reply reply = whole("<html><body>Not Found</body></html>\r\n", 404);
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(requestLine);
        m_lastUserAgent = headerValue(request, "User-Agent");
        if (const auto found = m_replies.find(path); found != m_replies.end())
            reply = found->second;
    }

    const std::string head
        = statusLine(reply.status) + reply.extraHeaders + "Connection: close\r\n";
    switch (reply.kind) {
    case Reply::Kind::Whole:
        sendAll(connection,
            head + "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n"
                + reply.body);
        break;
    case Reply::Kind::Chunked:
        sendAll(connection, head + "Transfer-Encoding: chunked\r\n\r\n");
        for (std::size_t at = 0; at < reply.body.size(); at += reply.chunkSize) {
            const std::string piece = reply.body.substr(at, reply.chunkSize);
            char size[32];
            std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
            if (!sendAll(connection, size + piece + "\r\n") || m_stopping)
                return;
            std::this_thread::sleep_for(reply.pause);
        }
        sendAll(connection, "0\r\n\r\n");
        break;
    case Reply::Kind::CloseAtOnce:
        break;
    case Reply::Kind::CloseMidBody:
        sendAll(connection,
            head + "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n"
                + reply.body.substr(0, reply.body.size() / 2));
        break;
    }
    ::shutdown(connection, SHUT_WR);
}

int unusedPort()
{
    int port = 0;
    const int fd = boundSocket(port);
    ::close(fd); // nothing listens there now; a connection is refused at once
    return port;
}

} // namespace Testing
