#include "tools/UrlFetcher.h"

#include "base/Product.h"
#include "base/Result.h"
#include "text/Charset.h"
#include "text/DocumentFile.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSysInfo>
#include <QUrl>

#include <arpa/inet.h>
#include <curl/curl.h>

#include <atomic>
#include <functional>
#include <memory>
#include <system_error>

namespace {

// The longest one wait for the network lasts; a cancel wakes it at once.
constexpr int kPollMs = 100;
// How often the dialog's count is brought up to date.
constexpr qint64 kProgressEveryMs = 100;

bool curlReady()
{
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

struct Transfer {
    QByteArray body;
    qint64 maxBytes = 0;
    bool tooBig = false;
    QElapsedTimer sinceData;   // restarted by every byte of header or body
    QByteArray statusLine;     // of the last HTTP response
};

size_t onBody(char *data, size_t size, size_t count, void *user)
{
    auto *t = static_cast<Transfer *>(user);
    const size_t n = size * count;
    if (t->body.size() + qint64(n) > t->maxBytes) {
        t->tooBig = true;
        return 0;   // anything but n ends the transfer
    }
    t->body.append(data, qsizetype(n));
    t->sinceData.restart();
    return n;
}

size_t onHeader(char *data, size_t size, size_t count, void *user)
{
    auto *t = static_cast<Transfer *>(user);
    const size_t n = size * count;
    const QByteArray line(data, qsizetype(n));
    if (line.startsWith("HTTP/"))
        t->statusLine = line.trimmed();
    t->sinceData.restart();
    return n;
}

QString sizeText(qint64 bytes)
{
    if (bytes >= (1 << 20) && bytes % (1 << 20) == 0)
        return QStringLiteral("%1 MiB").arg(bytes >> 20);
    return QStringLiteral("%1 bytes").arg(bytes);
}

// "server answered 404 Not Found" from "HTTP/1.1 404 Not Found".
QString httpFailure(long code, const QByteArray &statusLine)
{
    QString text = QStringLiteral("server answered %1").arg(code);
    const QList<QByteArray> parts = statusLine.split(' ');
    if (parts.size() >= 3 && parts.at(1).toLong() == code) {
        const QString reason = QString::fromLatin1(statusLine.mid(parts.at(0).size() + parts.at(1).size() + 2)).trimmed();
        if (!reason.isEmpty())
            text += QLatin1Char(' ') + reason;
    }
    return text;
}

QString curlFailure(CURLcode code, const char *detail)
{
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL: return QStringLiteral("unsupported protocol");
    case CURLE_URL_MALFORMAT: return QStringLiteral("malformed URL");
    case CURLE_COULDNT_RESOLVE_PROXY: return QStringLiteral("proxy not found");
    case CURLE_COULDNT_RESOLVE_HOST: return QStringLiteral("host not found");
    case CURLE_COULDNT_CONNECT: return QStringLiteral("could not connect");
    case CURLE_OPERATION_TIMEDOUT: return QStringLiteral("timed out");
    case CURLE_TOO_MANY_REDIRECTS: return QStringLiteral("too many redirects");
    case CURLE_FILE_COULDNT_READ_FILE: return QStringLiteral("file not found or unreadable");
    case CURLE_REMOTE_FILE_NOT_FOUND: return QStringLiteral("file not found on the server");
    case CURLE_LOGIN_DENIED:
    case CURLE_REMOTE_ACCESS_DENIED: return QStringLiteral("access denied");
    case CURLE_PEER_FAILED_VERIFICATION: return QStringLiteral("server certificate not trusted");
    case CURLE_SSL_CONNECT_ERROR: return QStringLiteral("secure connection failed");
    case CURLE_GOT_NOTHING: return QStringLiteral("empty reply from server");
    case CURLE_PARTIAL_FILE: return QStringLiteral("transfer cut short");
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR: return QStringLiteral("connection broken");
    case CURLE_OUT_OF_MEMORY: return QStringLiteral("out of memory");
    default:
        break;
    }
    if (detail && *detail)
        return QString::fromLocal8Bit(detail).trimmed();
    return QString::fromLatin1(curl_easy_strerror(code));
}

struct EasyDeleter {
    void operator()(CURL *c) const { curl_easy_cleanup(c); }
};

// Loopback addresses in any spelling inet_pton reads: 127.0.0.0/8, ::1 and
// ::ffff:127.x.y.z.
bool isLoopback(const QString &host)
{
    const QByteArray h = host.toLatin1();
    in_addr v4{};
    if (::inet_pton(AF_INET, h.constData(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    if (::inet_pton(AF_INET6, h.constData(), &v6) == 1)
        return IN6_IS_ADDR_LOOPBACK(&v6) || (IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127);
    return false;
}

// A file: host that names this computer: none, localhost, a loopback
// address or the machine's own name.
bool isThisComputer(const QString &host)
{
    if (host.isEmpty() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 || isLoopback(host))
        return true;
    const QString self = QSysInfo::machineHostName();
    return !self.isEmpty() && host.compare(self, Qt::CaseInsensitive) == 0;
}

// Where the user name and password of a URL stand: after "scheme://" (or
// at the start when no scheme is written), up to and including the last
// '@' before the path. Empty when there are none.
std::pair<qsizetype, qsizetype> userInfoSpan(const QString &url)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    const QRegularExpressionMatch m = scheme.match(url);
    const qsizetype begin = m.hasMatch() ? m.capturedEnd() : 0;
    qsizetype end = begin;
    while (end < url.size() && url.at(end) != u'/' && url.at(end) != u'?' && url.at(end) != u'#')
        ++end;
    const qsizetype at = url.lastIndexOf(u'@', end - 1);
    if (at < begin || end == begin)
        return {begin, 0};
    return {begin, at + 1 - begin};
}

} // namespace

// What the thread needs, fixed before it starts, and what the two threads
// share: the cancel flag and the multi handle a cancel wakes.
struct UrlFetcher::Job {
    QByteArray url;        // encoded, with a scheme; empty for a file
    QString localPath;     // a file on this computer
    QString failure;       // known before the transfer starts
    int connectTimeoutMs = 0, stallTimeoutMs = 0, lowSpeedBytes = 0, lowSpeedSeconds = 0, maxRedirects = 0;
    qint64 maxBytes = 0;
    std::atomic<bool> cancel{false};
    CURLM *multi = nullptr;

    ~Job()
    {
        if (multi)
            curl_multi_cleanup(multi);
    }

    using Progress = std::function<void(qint64, qint64)>;
    Result<QString> run(const Progress &progress);
    Result<QString> transfer(const Progress &progress);
};

Result<QString> UrlFetcher::Job::run(const Progress &progress)
{
    if (!failure.isEmpty())
        return Failure{failure};
    if (url.isEmpty()) {
        const Result<QByteArray> bytes = docfile::load(localPath, maxBytes);
        if (!bytes)
            return Failure{bytes.error()};
        return textcodec::decode(*bytes, QString());
    }
    return transfer(progress);
}

Result<QString> UrlFetcher::Job::transfer(const Progress &progress)
{
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy || !multi)
        return Failure{QStringLiteral("out of memory")};
    Transfer t;
    t.maxBytes = maxBytes;
    char detail[CURL_ERROR_SIZE] = {};
    CURL *e = easy.get();
    curl_easy_setopt(e, CURLOPT_URL, url.constData());
    // Files never reach libcurl: it would block on a pipe and take a
    // folder's listing for its content.
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, long(maxRedirects));
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, long(connectTimeoutMs));
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, long(lowSpeedBytes));
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, long(lowSpeedSeconds));
    curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(maxBytes));
    curl_easy_setopt(e, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "");
    const QByteArray agent = (product::name() + QLatin1Char('/') + product::version()).toUtf8();
    curl_easy_setopt(e, CURLOPT_USERAGENT, agent.constData());
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, detail);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &onBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &t);
    if (curl_multi_add_handle(multi, e) != CURLM_OK)
        return Failure{QStringLiteral("network failure")};
    const auto detach = qScopeGuard([&] { curl_multi_remove_handle(multi, e); });

    bool stalled = false;
    qint64 shown = -1;
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    t.sinceData.start();
    for (int running = 1;;) {
        if (curl_multi_perform(multi, &running) != CURLM_OK)
            return Failure{QStringLiteral("network failure")};
        if (!running || cancel)
            break;
        if (t.sinceData.elapsed() > stallTimeoutMs) {
            stalled = true;
            break;
        }
        if (shown != t.body.size() && sinceProgress.elapsed() >= kProgressEveryMs) {
            curl_off_t total = -1;
            curl_easy_getinfo(e, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &total);
            shown = t.body.size();
            sinceProgress.restart();
            progress(shown, qint64(total));
        }
        const qint64 untilStall = stallTimeoutMs - t.sinceData.elapsed() + 1;
        curl_multi_poll(multi, nullptr, 0, int(qBound(qint64(1), untilStall, qint64(kPollMs))), nullptr);
    }

    if (cancel)
        return Failure{QStringLiteral("cancelled")};
    if (stalled)
        return Failure{QStringLiteral("timed out")};
    CURLcode result = CURLE_OK;
    int left = 0;
    while (CURLMsg *msg = curl_multi_info_read(multi, &left))
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == e)
            result = msg->data.result;
    if (t.tooBig || result == CURLE_FILESIZE_EXCEEDED)
        return Failure{QStringLiteral("larger than %1").arg(sizeText(maxBytes))};
    if (result == CURLE_HTTP_RETURNED_ERROR) {
        long code = 0;
        curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &code);
        return Failure{httpFailure(code, t.statusLine)};
    }
    // libcurl's own words for its low-speed limit, unchanged for decades.
    if (result == CURLE_OPERATION_TIMEDOUT && qstrncmp(detail, "Operation too slow", 18) == 0)
        return Failure{QStringLiteral("too slow (under %1 %2 a second for %3 s)")
                           .arg(lowSpeedBytes)
                           .arg(lowSpeedBytes == 1 ? QStringLiteral("byte") : QStringLiteral("bytes"))
                           .arg(lowSpeedSeconds)};
    if (result != CURLE_OK)
        return Failure{curlFailure(result, detail)};

    const char *type = nullptr;
    curl_easy_getinfo(e, CURLINFO_CONTENT_TYPE, &type);
    return textcodec::decode(t.body, type ? textcodec::charsetOf(QString::fromLatin1(type)) : QString());
}

UrlFetcher::UrlFetcher(QObject *parent)
    : QObject(parent)
{
}

UrlFetcher::~UrlFetcher()
{
    // The thread ends at its next look at the flag; what it posts after
    // that is discarded with this object.
    cancel();
    if (m_worker.joinable())
        m_worker.join();
}

QString UrlFetcher::withScheme(const QString &url)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return scheme.match(url).hasMatch() ? url : QStringLiteral("http://") + url;
}

QString UrlFetcher::withoutUserInfo(const QString &url)
{
    const auto [from, length] = userInfoSpan(url);
    return length ? QString(url).remove(from, length) : url;
}

void UrlFetcher::cancel()
{
    if (!m_job)
        return;
    m_job->cancel = true;
    if (m_job->multi)
        curl_multi_wakeup(m_job->multi);
}

bool UrlFetcher::OpenURL()
{
    if (m_job)
        return false;
    auto job = std::make_unique<Job>();
    job->connectTimeoutMs = connectTimeoutMs;
    job->stallTimeoutMs = stallTimeoutMs;
    job->lowSpeedBytes = lowSpeedBytesPerSecond;
    job->lowSpeedSeconds = lowSpeedSeconds;
    job->maxRedirects = maxRedirects;
    job->maxBytes = maxBytes;

    const QString typed = URL.trimmed();
    QString url = withScheme(typed);
    // Non-ASCII or blanks: percent-encode them the way browsers do.
    for (QChar c : url) {
        if (c.unicode() > 0x7E || c.unicode() <= 0x20) {
            const QUrl u(url, QUrl::TolerantMode);
            if (u.isValid())
                url = QString::fromLatin1(u.toEncoded());
            break;
        }
    }
    const QUrl parsed(url);
    if (typed.isEmpty()) {
        job->failure = QStringLiteral("no URL given");
    } else if (parsed.scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) == 0) {
        // Only this computer's files, and only through the bounded loader.
        if (isThisComputer(parsed.host()))
            job->localPath = parsed.path(QUrl::FullyDecoded);
        else
            job->failure = QStringLiteral("the file is on another computer");
    } else if (!curlReady()) {
        job->failure = QStringLiteral("network library unavailable");
    } else {
        job->url = url.toUtf8();
        job->multi = curl_multi_init();
    }

    m_job = std::move(job);
    Job *j = m_job.get();
    const auto [from, length] = userInfoSpan(typed);
    const QString userInfo = length ? typed.mid(from, length - 1) : QString();   // without its '@'
    auto work = [this, j, userInfo] {
        const Result<QString> r = j->run([this](qint64 received, qint64 total) {
            QMetaObject::invokeMethod(this, [this, received, total] { emit progress(received, total); },
                                      Qt::QueuedConnection);
        });
        const bool ok = bool(r);
        QString text = ok ? *r : r.error();
        // A reason never repeats the user name and password.
        if (!ok && !userInfo.isEmpty())
            text.replace(userInfo, QString());
        QMetaObject::invokeMethod(this, [this, ok, text = std::move(text)] { finish(ok, text); },
                                  Qt::QueuedConnection);
    };
    try {
        m_worker = std::thread(std::move(work));
    } catch (const std::system_error &) {
        m_job.reset();
        QMetaObject::invokeMethod(this, [this] { emit failed(QStringLiteral("out of resources")); },
                                  Qt::QueuedConnection);
    }
    return true;
}

void UrlFetcher::finish(bool ok, const QString &textOrReason)
{
    m_worker.join();
    m_job.reset();
    if (ok)
        emit received(textOrReason);
    else
        emit failed(textOrReason);
}
