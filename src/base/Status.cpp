#include "base/Status.h"

QString statusText(StatusTag tag, const QString &text)
{
    switch (tag) {
    case StatusTag::Action: return QStringLiteral("[ACTION] ") + text;
    case StatusTag::Error: return QStringLiteral("[ERROR] ") + text;
    case StatusTag::Func: return QStringLiteral("[FUNC] ") + text;
    }
    return text;
}
