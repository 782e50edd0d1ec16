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

Result<> SystemClipboard::empty()
{
    QClipboard *cb = systemClipboard();
    if (!cb)
        return Failure{unavailable()};
    cb->clear();
    return {};
}

Result<> SystemClipboard::putText(const QString &text)
{
    QClipboard *cb = systemClipboard();
    if (!cb)
        return Failure{unavailable()};
    // An empty string leaves the clipboard empty, as it is after empty().
    if (!text.isEmpty()) {
        auto *data = new QMimeData;
        data->setText(text);
        cb->setMimeData(data);
    }
    // The write can be lost when another program owns the clipboard; only
    // reading it back tells.
    if (cb->text() != text)
        return Failure{unavailable()};
    return {};
}

Result<QString> SystemClipboard::getText()
{
    QClipboard *cb = systemClipboard();
    if (!cb)
        return Failure{unavailable()};
    const QMimeData *data = cb->mimeData();
    if (!data || !data->hasText())
        return QString();
    return data->text();
}
