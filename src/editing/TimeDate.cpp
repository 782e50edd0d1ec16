#include "editing/TimeDate.h"

#include <functional>

namespace timedate {

namespace {

// Runs of one field letter ("yy", "t") outside quotes go through rewrite;
// quoted literals and everything else are copied as they are.
QString rewriteFields(const QString &format, const std::function<QString(QChar, int)> &rewrite)
{
    QString out;
    int i = 0;
    const int n = int(format.size());
    while (i < n) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            // A quoted literal, '' inside being a quote; copied whole.
            int j = i + 1;
            while (j < n) {
                if (format.at(j) == QLatin1Char('\'')) {
                    if (j + 1 < n && format.at(j + 1) == QLatin1Char('\''))
                        j += 2;
                    else
                        break;
                } else {
                    ++j;
                }
            }
            const int stop = qMin(n, j + 1);
            out += format.mid(i, stop - i);
            i = stop;
            continue;
        }
        int j = i;
        while (j < n && format.at(j) == c)
            ++j;
        if (c.isLetter())
            out += rewrite(c, j - i);
        else
            out += format.mid(i, j - i);
        i = j;
    }
    return out;
}

} // namespace

QString shortDateFormat(const QLocale &locale)
{
    return rewriteFields(locale.dateFormat(QLocale::ShortFormat), [](QChar c, int count) {
        if (c == QLatin1Char('y'))
            return QStringLiteral("yyyy");
        return QString(count, c);
    });
}

QString longTimeFormat(const QLocale &locale)
{
    QString f = rewriteFields(locale.timeFormat(QLocale::LongFormat), [](QChar c, int count) {
        // A marker character stands where a zone was, so the blank that
        // separated it can go too.
        if (c == QLatin1Char('t'))
            return QString(QChar(0xFFFF));
        return QString(count, c);
    });
    // Drop each zone with the blanks (or the blank and bracket pair some
    // locales put around it) that join it to the rest.
    for (;;) {
        const int at = int(f.indexOf(QChar(0xFFFF)));
        if (at < 0)
            break;
        int from = at, to = at + 1;
        if (from > 0 && f.at(from - 1) == QLatin1Char('(') && to < f.size()
            && f.at(to) == QLatin1Char(')')) {
            --from;
            ++to;
        }
        while (from > 0 && f.at(from - 1).isSpace())
            --from;
        if (from == 0)
            while (to < f.size() && f.at(to).isSpace())
                ++to;
        f.remove(from, to - from);
    }
    return f.trimmed();
}

QString dateText(const QDate &date, const QLocale &locale)
{
    return locale.toString(date, shortDateFormat(locale));
}

QString timeText(const QTime &time, const QLocale &locale)
{
    return locale.toString(time, longTimeFormat(locale));
}

} // namespace timedate
