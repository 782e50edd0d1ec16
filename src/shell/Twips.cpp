#include "shell/Twips.h"

#include <QGuiApplication>
#include <QScreen>

namespace twips {

static QScreen *screen()
{
    return qGuiApp ? QGuiApplication::primaryScreen() : nullptr;
}

double dpiX()
{
    QScreen *s = screen();
    return s ? s->logicalDotsPerInchX() : 96.0;
}

double dpiY()
{
    QScreen *s = screen();
    return s ? s->logicalDotsPerInchY() : 96.0;
}

} // namespace twips
