#pragma once
// Presses Cancel on any progress dialog that a widget opens, as soon as it
// is made: before it would show itself after its first second, so a test of
// Cancel need not be slow.

#include <QChildEvent>
#include <QProgressDialog>

class CancelProgress : public QObject
{
public:
    explicit CancelProgress(QObject *on) { on->installEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (e->type() == QEvent::ChildAdded)
            static_cast<QChildEvent *>(e)->child()->installEventFilter(this);
        else if (auto *p = qobject_cast<QProgressDialog *>(watched); p && !p->wasCanceled())
            p->cancel();
        return false;
    }
};
