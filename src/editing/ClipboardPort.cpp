#include "editing/ClipboardPort.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

QClipboard *systemClipboard()
{
    return qGuiApp ? QGuiApplication::clipboard() : nullptr;
}

} // namespace

bool SystemClipboard::empty()
{
    QClipboard *cb = systemClipboard();
    if (!cb)
        return false;
    cb->clear();
    return true;
}

bool SystemClipboard::putText(const QString &text)
{
    QClipboard *cb = systemClipboard();
    if (!cb)
        return false;
    // An empty string leaves the clipboard empty, as it is after empty().
    if (text.isEmpty())
        return cb->text().isEmpty();
    auto *data = new QMimeData;
    data->setText(text);
    cb->setMimeData(data);
    // The write can be lost when another program owns the clipboard; only
    // reading it back tells.
    return cb->text() == text;
}

std::optional<QString> SystemClipboard::getText()
{
    QClipboard *cb = systemClipboard();
    if (!cb)
        return std::nullopt;
    const QMimeData *data = cb->mimeData();
    if (!data || !data->hasText())
        return QString();
    return data->text();
}

QString toClipboardLineEnds(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}
