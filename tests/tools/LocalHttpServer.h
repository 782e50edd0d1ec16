#pragma once
// A tiny HTTP server for the tool tests: 127.0.0.1 only, a free port, canned
// answers by path (404 for the rest), one connection at a time on a thread of
// its own (the tests link no Qt Network). It answers, then waits for the
// client to hang up: an answer shorter than its Content-Length is a stalled
// server. A paced answer trickles its body one byte at a time. Every wait
// is bounded: it stops by itself a minute after it starts, and the
// destructor stops and joins it.

#include <QHash>
#include <QtGlobal>
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

class LocalHttpServer
{
public:
    LocalHttpServer()
    {
        // Clients in this process come straight here: a proxy from the
        // environment must not see our local requests.
        for (const char *v : {"http_proxy", "HTTP_PROXY", "ALL_PROXY", "all_proxy"})
            qunsetenv(v);
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (m_listen >= 0 && ::bind(m_listen, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0
            && ::listen(m_listen, 8) == 0
            && ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&a), &len) == 0) {
            m_port = ntohs(a.sin_port);
            m_thread = std::thread([this] { run(); });
        }
    }
    ~LocalHttpServer()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_listen >= 0)
            ::close(m_listen);
    }

    quint16 port() const { return m_port; }   // 0 when it could not listen
    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
    }

    // statusAndHeaders: "200 OK", maybe followed by header lines.
    void serve(const QByteArray &path, const QByteArray &statusAndHeaders, const QByteArray &body = {})
    {
        raw(path, "HTTP/1.1 " + statusAndHeaders + "\r\nContent-Length: " + QByteArray::number(body.size()), body);
    }
    // head: the status line and headers, without the blank line.
    // pace > 0: after the head, one byte of the body each pace.
    void raw(const QByteArray &path, const QByteArray &head, const QByteArray &body = {},
             std::chrono::milliseconds pace = {})
    {
        std::lock_guard lock(m_mutex);
        const QByteArray h = head + "\r\nConnection: close\r\n\r\n";
        m_answers.insert(path, {h + body, h.size(), pace});
    }

private:
    using Clock = std::chrono::steady_clock;

    bool over() const { return m_stop || Clock::now() > m_deadline; }
    static bool ready(int fd, short events)
    {
        pollfd p{fd, events, 0};
        return ::poll(&p, 1, 50) > 0;
    }

    void run()
    {
        while (!over())
            if (const int fd = ready(m_listen, POLLIN) ? ::accept(m_listen, nullptr, nullptr) : -1; fd >= 0) {
                answer(fd);
                ::close(fd);
            }
    }

    // Reads the request, sends the answer, then waits for the client to hang up.
    void answer(int fd)
    {
        QByteArray request;
        Answer a;
        const QByteArray &out = a.bytes;
        char buf[4096];
        for (qsizetype sent = 0; !over();) {
            if (out.isEmpty() && request.contains("\r\n\r\n")) {
                std::lock_guard lock(m_mutex);
                a = m_answers.value(request.split(' ').value(1),
                                    {"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"});
            }
            const bool sending = sent < out.size();
            qsizetype chunk = out.size() - sent;
            if (sending && a.pace.count() > 0) {
                if (sent >= a.headSize)
                    std::this_thread::sleep_for(a.pace);
                chunk = sent < a.headSize ? a.headSize - sent : 1;
            }
            if (!ready(fd, sending ? POLLOUT : POLLIN))
                continue;
            const ssize_t n = sending ? ::send(fd, out.constData() + sent, size_t(chunk), MSG_NOSIGNAL)
                                      : ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                return;
            if (sending)
                sent += n;
            else if (out.isEmpty())
                request.append(buf, n);
        }
    }

    struct Answer {
        QByteArray bytes;
        qsizetype headSize = 0;
        std::chrono::milliseconds pace{};
    };

    int m_listen = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    const Clock::time_point m_deadline = Clock::now() + std::chrono::seconds(60);
    std::thread m_thread;
    std::mutex m_mutex;
    QHash<QByteArray, Answer> m_answers;
};
