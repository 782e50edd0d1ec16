#pragma once
// A DialogHost that answers from a script instead of showing dialogs.
// Queue an answer before running a handler; a dialog with no answer queued
// counts as Cancel (and is recorded, so a test can check what was asked).

#include "shell/DialogHost.h"

#include <QPrinter>
#include <QQueue>
#include <functional>

class ScriptedDialogHost : public DialogHost
{
public:
    struct FileAnswer { bool ok; QString fileName; int filterIndex; };
    struct Call { QString kind; QStringList filters; int flags = 0; QString title; QString text;
                  QMessageBox::StandardButtons buttons; QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
                  QMessageBox::Icon icon = QMessageBox::NoIcon; };

    QQueue<FileAnswer> files;                       // open and save dialogs
    QQueue<std::function<bool(QPrinter &, int)>> printers;
    QQueue<std::function<bool(QColor &)>> colors;
    QQueue<std::function<bool(QFont &, QColor &, int)>> fonts;
    QQueue<QMessageBox::StandardButton> messages;
    QList<Call> calls;                              // every dialog asked for, in order

    void answerFile(const QString &name, int filterIndex) { files.enqueue({true, name, filterIndex}); }
    void cancelFile() { files.enqueue({false, {}, 0}); }

    bool openFile(QWidget *, const QStringList &f, int &index, QString &name) override
    {
        return file(QStringLiteral("open"), f, index, name);
    }
    bool saveFile(QWidget *, const QStringList &f, int &index, QString &name) override
    {
        return file(QStringLiteral("save"), f, index, name);
    }
    bool printer(QWidget *, QPrinter &p, int flags) override
    {
        Call c; c.kind = QStringLiteral("printer"); c.flags = flags; calls << c;
        return !printers.isEmpty() && printers.dequeue()(p, flags);
    }
    bool color(QWidget *, QColor &col) override
    {
        Call c; c.kind = QStringLiteral("color"); calls << c;
        return !colors.isEmpty() && colors.dequeue()(col);
    }
    bool font(QWidget *, QFont &f, QColor &col, int flags) override
    {
        Call c; c.kind = QStringLiteral("font"); c.flags = flags; calls << c;
        return !fonts.isEmpty() && fonts.dequeue()(f, col, flags);
    }
    QMessageBox::StandardButton message(QWidget *, const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton def,
                                        QMessageBox::Icon icon) override
    {
        Call c; c.kind = QStringLiteral("message"); c.title = title; c.text = text;
        c.buttons = buttons; c.defaultButton = def; c.icon = icon; calls << c;
        return messages.isEmpty() ? QMessageBox::Cancel : messages.dequeue();
    }

private:
    bool file(const QString &kind, const QStringList &f, int &index, QString &name)
    {
        Call c; c.kind = kind; c.filters = f; calls << c;
        if (files.isEmpty())
            return false;
        const FileAnswer a = files.dequeue();
        if (!a.ok)
            return false;
        name = a.fileName;
        index = a.filterIndex;
        return true;
    }
};
