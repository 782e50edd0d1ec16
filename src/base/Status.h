#pragma once
// The status line's messages start with a tag saying what kind of news they
// are. statusText is the one place that writes the tags.

#include <QString>

enum class StatusTag { Action, Error, Func };

// "[ACTION] ", "[ERROR] " or "[FUNC] ", then text.
QString statusText(StatusTag tag, const QString &text);
