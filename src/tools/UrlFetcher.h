#pragma once
// The internet transfer component of the transfer dialog, on libcurl.
// Write URL, call OpenURL: the transfer runs on a thread of its own while
// the event loop goes on undisturbed, reports its progress, and ends in
// exactly one received() or failed(), delivered on the fetcher's thread.
// http, https (system certificates) and ftp; file only for this computer's
// files, read through the file module's bounded loader (a regular file,
// never blocking). A URL without a scheme is taken as http. Destroying the
// fetcher cancels a running transfer and waits for its thread; no signal
// comes after that.

#include <QObject>
#include <QString>

#include <memory>
#include <thread>

class UrlFetcher : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kDefaultMaxBytes = qint64(64) << 20;   // 64 MiB

    explicit UrlFetcher(QObject *parent = nullptr);
    ~UrlFetcher() override;

    // The location the next OpenURL fetches, as the user typed it.
    QString URL;

    // Limits, read when a transfer starts; tests shorten the time-outs.
    int connectTimeoutMs = 30000;
    int stallTimeoutMs = 60000;   // no byte at all for this long ends the transfer
    // A transfer slower than this for this long ends too: a server that
    // trickles would otherwise hold the dialog for ever. libcurl rounds the
    // speed down to whole bytes, so a limit of 1 would let one byte a second
    // through; no real link is as slow as 16.
    int lowSpeedBytesPerSecond = 16;
    int lowSpeedSeconds = 60;
    int maxRedirects = 10;
    qint64 maxBytes = kDefaultMaxBytes;

    // Starts fetching URL. False, with no signal, while a transfer runs.
    bool OpenURL();

    bool busy() const { return bool(m_job); }
    // Ends a running transfer as failed("cancelled").
    void cancel();

    // "http://" before a URL that names no scheme.
    static QString withScheme(const QString &url);
    // The URL with its user name and password taken out, for showing it.
    static QString withoutUserInfo(const QString &url);

signals:
    // total < 0 when the size is not known in advance.
    void progress(qint64 received, qint64 total);
    void received(const QString &content);
    // Why not, briefly (lower case, no full stop).
    void failed(const QString &reason);

private:
    struct Job;

    void finish(bool ok, const QString &textOrReason);

    std::unique_ptr<Job> m_job;   // set while a transfer runs
    std::thread m_worker;
};
