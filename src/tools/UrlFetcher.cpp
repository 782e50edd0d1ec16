#include "tools/UrlFetcher.h"

#include "shell/Product.h"
#include "text/DocumentFile.h"
#include "text/TextCodec.h"
#include "tools/TransferDialog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QUrl>

#include <curl/curl.h>

#include <memory>

namespace {

// How long one wait for the network may keep the event loop from turning.
constexpr int kPollMs = 10;
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
struct MultiDeleter {
    void operator()(CURLM *m) const { curl_multi_cleanup(m); }
};

} // namespace

UrlFetcher::UrlFetcher(QObject *parent)
    : QObject(parent)
{
}

UrlFetcher::~UrlFetcher() = default;

QString UrlFetcher::withScheme(const QString &url)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return scheme.match(url).hasMatch() ? url : QStringLiteral("http://") + url;
}

QString UrlFetcher::charsetOf(const QString &contentType)
{
    const QStringList params = contentType.split(QLatin1Char(';'));
    for (qsizetype i = 1; i < params.size(); ++i) {
        const QString p = params.at(i).trimmed();
        const qsizetype eq = p.indexOf(QLatin1Char('='));
        if (eq < 0 || p.left(eq).trimmed().compare(QLatin1String("charset"), Qt::CaseInsensitive) != 0)
            continue;
        QString value = p.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        return value.trimmed().toLower();
    }
    return {};
}

QString UrlFetcher::decode(const QByteArray &bytes, const QString &charset)
{
    if (!charset.isEmpty()) {
        // Servers that say Latin-1 or ASCII send Windows-1252 in practice;
        // it decodes every byte and agrees with Latin-1 outside 0x80..0x9F.
        static const QStringList western = {
            QStringLiteral("iso-8859-1"), QStringLiteral("iso8859-1"), QStringLiteral("latin1"),
            QStringLiteral("latin-1"), QStringLiteral("l1"), QStringLiteral("us-ascii"),
            QStringLiteral("ascii"), QStringLiteral("windows-1252"), QStringLiteral("cp1252")};
        if (western.contains(charset))
            return textcodec::decodeWindows1252(bytes);
        QStringDecoder dec(charset.toLatin1().constData());
        if (dec.isValid())
            return dec.decode(bytes);
    }
    return textcodec::decodeText(bytes);
}

Result<QString> UrlFetcher::OpenURL()
{
    if (m_busy) {
        return Failure{QStringLiteral("another transfer is running")};
    }
    m_cancel = false;
    const QString typed = URL.trimmed();
    if (typed.isEmpty()) {
        return Failure{QStringLiteral("no URL given")};
    }
    if (!curlReady()) {
        return Failure{QStringLiteral("network library unavailable")};
    }
    m_busy = true;
    const auto notBusy = qScopeGuard([this] { m_busy = false; });

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
    const QByteArray urlBytes = url.toUtf8();

    // Local files are read here, not by libcurl, which would block on a
    // pipe and take a folder's listing for its content: only a regular
    // file is a document, and reading one never waits.
    const QUrl parsed(url);
    if (parsed.scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) == 0
        && (parsed.host().isEmpty() || parsed.host().compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)) {
        QByteArray bytes;
        QString error;
        if (!docfile::load(parsed.path(QUrl::FullyDecoded), &bytes, &error, MaxBytes))
            return Failure{error};
        return decode(bytes, QString());
    }

    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!easy || !multi) {
        return Failure{QStringLiteral("out of memory")};
    }
    Transfer t;
    t.maxBytes = MaxBytes;
    char detail[CURL_ERROR_SIZE] = {};
    CURL *e = easy.get();
    curl_easy_setopt(e, CURLOPT_URL, urlBytes.constData());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https,ftp,file");
    // A web server must not be able to send us to a local file.
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, long(MaxRedirects));
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, long(ConnectTimeoutMs));
    curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(MaxBytes));
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
    curl_multi_add_handle(multi.get(), e);
    const auto detach = qScopeGuard([&] { curl_multi_remove_handle(multi.get(), e); });

    if (ShowProgress) {
        m_dialog = new TransferDialog(URL, ProgressParent);
        connect(m_dialog.data(), &QProgressDialog::canceled, this, &UrlFetcher::Cancel);
        m_dialog->show();
    }
    const auto closeDialog = qScopeGuard([this] { delete m_dialog.data(); });

    bool stalled = false;
    qint64 shown = -1;
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    t.sinceData.start();
    int running = 1;
    for (;;) {
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            return Failure{QStringLiteral("network failure")};
        }
        if (!running)
            break;
        if (t.sinceData.elapsed() > StallTimeoutMs) {
            stalled = true;
            break;
        }
        if (shown != t.body.size() && sinceProgress.elapsed() >= kProgressEveryMs) {
            curl_off_t total = -1;
            curl_easy_getinfo(e, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &total);
            shown = t.body.size();
            sinceProgress.restart();
            if (m_dialog)
                m_dialog->setReceived(shown, qint64(total));
        }
        // The dialog is modal: only it answers the user while we wait.
        QCoreApplication::processEvents();
        if (m_cancel)
            break;
        curl_multi_poll(multi.get(), nullptr, 0, kPollMs, nullptr);
    }

    if (m_cancel) {
        return Failure{QStringLiteral("cancelled")};
    }
    if (stalled) {
        return Failure{QStringLiteral("timed out")};
    }
    CURLcode result = CURLE_OK;
    int left = 0;
    while (CURLMsg *msg = curl_multi_info_read(multi.get(), &left))
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == e)
            result = msg->data.result;
    if (t.tooBig || result == CURLE_FILESIZE_EXCEEDED) {
        return Failure{QStringLiteral("larger than %1").arg(sizeText(MaxBytes))};
    }
    if (result == CURLE_HTTP_RETURNED_ERROR) {
        long code = 0;
        curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &code);
        return Failure{httpFailure(code, t.statusLine)};
    }
    if (result != CURLE_OK) {
        return Failure{curlFailure(result, detail)};
    }

    const char *type = nullptr;
    curl_easy_getinfo(e, CURLINFO_CONTENT_TYPE, &type);
    return decode(t.body, type ? charsetOf(QString::fromLatin1(type)) : QString());
}
