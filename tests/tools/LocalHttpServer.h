#pragma once
// A tiny HTTP/1.1 server for the fetcher tests. It listens on 127.0.0.1 only,
// on a free port, serves canned answers by path and records what was asked.
// Plain sockets on threads of its own (the tests link no Qt Network), one
// thread per connection, every wait bounded: a minute after it starts it
// stops answering by itself, and the destructor stops and joins everything.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

class LocalHttpServer
{
public:
    enum class Mode {
        Whole,    // send the answer and close
        Stall,    // send the answer, then keep the connection open, silent
        Silent,   // read the request, answer nothing at all
    };
    struct Answer {
        QByteArray head;   // status line and headers, without the blank line
        QByteArray body;
        Mode mode = Mode::Whole;
    };

    LocalHttpServer()
    {
        m_deadline = Clock::now() + std::chrono::seconds(60);
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        socklen_t len = sizeof a;
        if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0
            || ::listen(m_listen, 16) != 0
            || ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&a), &len) != 0)
            return;
        m_port = ntohs(a.sin_port);
        m_acceptor = std::thread([this] { acceptLoop(); });
    }
    ~LocalHttpServer()
    {
        m_stop = true;
        if (m_acceptor.joinable())
            m_acceptor.join();
        std::vector<std::thread> workers;
        {
            std::lock_guard lock(m_mutex);
            workers.swap(m_workers);
        }
        for (std::thread &t : workers)
            t.join();
        if (m_listen >= 0)
            ::close(m_listen);
    }
    LocalHttpServer(const LocalHttpServer &) = delete;
    LocalHttpServer &operator=(const LocalHttpServer &) = delete;

    bool listening() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
    }

    // A complete answer with Content-Length, or chunked.
    void serve(const QByteArray &path, int status, const QByteArray &reason,
               const QByteArray &contentType, const QByteArray &body, bool chunked = false)
    {
        QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
        if (!contentType.isEmpty())
            head += "Content-Type: " + contentType + "\r\n";
        QByteArray payload = body;
        if (chunked) {
            head += "Transfer-Encoding: chunked\r\n";
            payload.clear();
            for (qsizetype i = 0; i < body.size(); i += 16384) {
                const QByteArray part = body.mid(i, 16384);
                payload += QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n";
            }
            payload += "0\r\n\r\n";
        } else {
            head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        }
        head += "Connection: close";
        raw(path, {head, payload, Mode::Whole});
    }
    void redirect(const QByteArray &path, const QByteArray &location, int status = 302)
    {
        raw(path, {"HTTP/1.1 " + QByteArray::number(status) + " Moved\r\nLocation: " + location
                       + "\r\nContent-Length: 0\r\nConnection: close",
                   {}, Mode::Whole});
    }
    void raw(const QByteArray &path, const Answer &answer)
    {
        std::lock_guard lock(m_mutex);
        m_answers.insert(path, answer);
    }

    // The paths asked for, in order.
    QList<QByteArray> requests() const
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    void clearRequests()
    {
        std::lock_guard lock(m_mutex);
        m_requests.clear();
    }

private:
    using Clock = std::chrono::steady_clock;

    bool over() const { return m_stop || Clock::now() > m_deadline; }

    void acceptLoop()
    {
        while (!over()) {
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const int fd = ::accept(m_listen, nullptr, nullptr);
            if (fd < 0)
                continue;
            std::lock_guard lock(m_mutex);
            m_workers.emplace_back([this, fd] { serveOne(fd); });
        }
    }

    // Waits until the peer closes or the server stops.
    void waitForClose(int fd, int maxMs)
    {
        const auto until = Clock::now() + std::chrono::milliseconds(maxMs);
        char sink[4096];
        while (!over() && Clock::now() < until) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0 && ::recv(fd, sink, sizeof sink, 0) <= 0)
                return;
        }
    }

    void serveOne(int fd)
    {
        QByteArray request;
        char buf[4096];
        while (!over() && !request.contains("\r\n\r\n") && request.size() < 65536) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            request.append(buf, n);
        }
        if (!request.contains("\r\n\r\n")) {
            ::close(fd);
            return;
        }
        const QList<QByteArray> line = request.left(request.indexOf("\r\n")).split(' ');
        const QByteArray path = line.size() >= 2 ? line.at(1) : QByteArray();
        Answer a{"HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close", "not found",
                 Mode::Whole};
        {
            std::lock_guard lock(m_mutex);
            m_requests << path;
            const auto it = m_answers.constFind(path);
            if (it != m_answers.cend())
                a = *it;
        }
        if (a.mode != Mode::Silent) {
            const QByteArray out = a.head + "\r\n\r\n" + a.body;
            qsizetype sent = 0;
            while (sent < out.size() && !over()) {
                pollfd p{fd, POLLOUT, 0};
                if (::poll(&p, 1, 50) <= 0)
                    continue;
                const ssize_t n = ::send(fd, out.constData() + sent, size_t(out.size() - sent), MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += n;
            }
        }
        if (a.mode == Mode::Whole) {
            ::shutdown(fd, SHUT_WR);
            waitForClose(fd, 2000);
        } else {
            waitForClose(fd, 60000);
        }
        ::close(fd);
    }

    int m_listen = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    Clock::time_point m_deadline;
    std::thread m_acceptor;
    mutable std::mutex m_mutex;
    std::vector<std::thread> m_workers;
    QHash<QByteArray, Answer> m_answers;
    QList<QByteArray> m_requests;
};
