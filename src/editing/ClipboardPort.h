#pragma once
// The clipboard as the editing commands use it: empty it, put plain text on
// it, get plain text back. The system clipboard is the real one; tests put a
// failing one in its place to see that the commands survive a clipboard that
// another program holds.

#include <QString>
#include <optional>

class ClipboardPort
{
public:
    virtual ~ClipboardPort() = default;

    // Discards everything the clipboard holds. False when it could not.
    virtual bool empty() = 0;
    // Stores text as plain text only. False unless the clipboard holds exactly
    // that text afterwards.
    virtual bool putText(const QString &text) = 0;
    // The clipboard's plain text, "" when it holds no text; nothing when the
    // clipboard cannot be read.
    virtual std::optional<QString> getText() = 0;
};

// The platform's clipboard through QClipboard.
class SystemClipboard : public ClipboardPort
{
public:
    bool empty() override;
    bool putText(const QString &text) override;
    std::optional<QString> getText() override;
};

// Plain text crosses the clipboard with the platform's line ends; the editor
// hands out and takes CR LF.
QString toClipboardLineEnds(QString text);
