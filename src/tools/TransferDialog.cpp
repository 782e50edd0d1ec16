#include "tools/TransferDialog.h"

#include "tools/UrlFetcher.h"

#include <QFontMetrics>
#include <QIcon>
#include <QLocale>

TransferDialog::TransferDialog(const QString &url, QWidget *parent)
    : QProgressDialog(parent)
{
    setObjectName(QStringLiteral("TransferDialog"));
    setWindowTitle(QStringLiteral("Internet Transfers"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/dialog.xpm")));
    // Nothing else in the program takes input while the transfer runs.
    setWindowModality(Qt::ApplicationModal);
    setCancelButtonText(QStringLiteral("Cancel"));
    setMinimumDuration(0);
    setAutoClose(false);
    setAutoReset(false);
    // A long URL must not stretch the dialog across the screen; its user
    // name and password are not shown.
    m_url = fontMetrics().elidedText(UrlFetcher::withoutUserInfo(url), Qt::ElideMiddle, fontMetrics().averageCharWidth() * 50);
    setMinimumWidth(fontMetrics().averageCharWidth() * 56);
    setReceived(0, -1);
}

void TransferDialog::setReceived(qint64 received, qint64 total)
{
    const QLocale loc;
    QString text = QStringLiteral("Receiving %1\n\n").arg(m_url);
    if (total > 0) {
        text += QStringLiteral("%1 of %2 bytes received").arg(loc.toString(received), loc.toString(total));
        setRange(0, 1000);
        setValue(int(qBound(qint64(0), received * 1000 / total, qint64(1000))));
    } else {
        text += QStringLiteral("%1 bytes received").arg(loc.toString(received));
        // Size unknown: a busy bar.
        setRange(0, 0);
        setValue(0);
    }
    if (labelText() != text)
        setLabelText(text);
}
