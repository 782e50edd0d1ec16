#pragma once
// The internet transfer component of the transfer dialog, on libcurl.
// Write URL, call OpenURL: it returns the whole resource as text once the
// transfer has ended. http, https (system certificates), ftp and file (a
// local regular file only, read directly, never blocking); a URL
// without a scheme is taken as http. While it runs, a modal progress dialog
// shows the bytes received and offers Cancel; the rest of the interface
// waits. The event loop keeps turning meanwhile, so windows repaint.

#include <QObject>
#include <QPointer>
#include "shell/Result.h"
#include "tools/TransferDialog.h"

#include <QString>

class UrlFetcher : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 DefaultMaxBytes = qint64(64) << 20;   // 64 MiB

    explicit UrlFetcher(QObject *parent = nullptr);
    ~UrlFetcher() override;

    // The location the next OpenURL fetches, as the user typed it.
    QString URL;

    // Limits; tests shorten the time-outs.
    int ConnectTimeoutMs = 30000;
    int StallTimeoutMs = 60000;   // no byte at all for this long ends the transfer
    int MaxRedirects = 10;
    qint64 MaxBytes = DefaultMaxBytes;

    // Where the progress dialog appears; no dialog when ShowProgress is false.
    QWidget *ProgressParent = nullptr;
    bool ShowProgress = true;

    // The content as text, or why not, briefly.
    Result<QString> OpenURL();

    bool Busy() const { return m_busy; }
    // Ends a running transfer as cancelled (the dialog's Cancel does this).
    void Cancel() { m_cancel = true; }

    // The dialog of the running transfer, null when none is shown.
    TransferDialog *progressDialog() const { return m_dialog; }

    // Bytes to text: the named charset, else a byte-order mark, else UTF-8
    // when valid, else Windows-1252.
    static QString decode(const QByteArray &bytes, const QString &charset);
    // The charset parameter of a Content-Type value, lower case, or "".
    static QString charsetOf(const QString &contentType);
    // "http://" before a URL that names no scheme.
    static QString withScheme(const QString &url);

private:
    bool m_busy = false;
    bool m_cancel = false;
    QPointer<TransferDialog> m_dialog;
};
