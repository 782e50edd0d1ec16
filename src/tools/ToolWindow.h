#pragma once
// What the two tool dialogs share: a fixed single border without minimize
// or maximize, the shared dialog icon, the classic 8.25 pt dialog face, and
// controls placed at twip positions.

#include "shell/SecondaryWindow.h"
#include "shell/Twips.h"

#include <QFont>
#include <QIcon>
#include <QWidget>

namespace toolwindow {

inline void setUp(QWidget *w, const char *name, const QString &caption, int widthTwips,
                  int heightTwips)
{
    w->setObjectName(QLatin1String(name));
    w->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                      | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    w->setWindowTitle(caption);
    w->setWindowIcon(QIcon(QStringLiteral(":/icons/dialog.xpm")));
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif")});
    f.setPointSizeF(8.25);
    w->setFont(f);
    w->setFixedSize(twips::toPxX(widthTwips), twips::toPxY(heightTwips));
    // The close box destroys the window; the next opening builds it afresh.
    w->setAttribute(Qt::WA_DeleteOnClose);
    closeOnEscape(w);
}

template <typename T>
T *place(QWidget *parent, const char *name, int l, int t, int w, int h)
{
    T *c = new T(parent);
    c->setObjectName(QLatin1String(name));
    c->setGeometry(twips::rect(l, t, w, h));
    return c;
}

} // namespace toolwindow
