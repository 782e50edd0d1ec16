#pragma once
// The clipboard as the editing commands use it: empty it, put plain text on
// it, get plain text back. The system clipboard is the real one; tests put a
// failing one in its place to see that the commands survive a clipboard that
// another program holds.

#include "base/Result.h"

#include <QString>

class ClipboardPort
{
public:
    virtual ~ClipboardPort() = default;

    // Discards everything the clipboard holds.
    virtual Result<> empty() = 0;
    // Stores text as plain text only. Fails unless the clipboard holds
    // exactly that text afterwards.
    virtual Result<> putText(const QString &text) = 0;
    // The clipboard's plain text, "" when it holds no text; a failure when
    // the clipboard cannot be read.
    virtual Result<QString> getText() = 0;

    // The message of every failure above.
    static QString unavailable() { return QStringLiteral("The clipboard is not available"); }
};

// The platform's clipboard through QClipboard.
class SystemClipboard : public ClipboardPort
{
public:
    Result<> empty() override;
    Result<> putText(const QString &text) override;
    Result<QString> getText() override;
};
