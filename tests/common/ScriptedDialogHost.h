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
    struct Call { QString kind; QStringList filters{}; int flags = 0; QString title{}, text{};
                  QMessageBox::StandardButtons buttons{}; QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
                  QMessageBox::Icon icon = QMessageBox::NoIcon;
                  QString folder{}, fileName{}; };   // where a file dialog starts, the name it offers

    QQueue<FileAnswer> files;                       // open and save dialogs
    QQueue<std::function<bool(QPrinter &, int)>> printers;
    QQueue<std::function<bool(QColor &)>> colors;
    QQueue<std::function<bool(QFont &, QColor &, int)>> fonts;
    QQueue<QMessageBox::StandardButton> messages;
    QList<Call> calls;                              // every dialog asked for, in order

    void answerFile(const QString &name, int filterIndex) { files.enqueue({true, name, filterIndex}); }
    void cancelFile() { files.enqueue({false, {}, 0}); }

    bool openFile(QWidget *, const QStringList &f, const QString &folder, int &index, QString &name) override
    {
        return file(QStringLiteral("open"), f, folder, index, name);
    }
    bool saveFile(QWidget *, const QStringList &f, const QString &folder, int &index, QString &name) override
    {
        return file(QStringLiteral("save"), f, folder, index, name);
    }
    bool printer(QWidget *, QPrinter &p, int flags) override
    {
        calls << Call{.kind = QStringLiteral("printer"), .flags = flags};
        return !printers.isEmpty() && printers.dequeue()(p, flags);
    }
    bool color(QWidget *, QColor &col) override
    {
        calls << Call{.kind = QStringLiteral("color")};
        return !colors.isEmpty() && colors.dequeue()(col);
    }
    bool font(QWidget *, QFont &f, QColor &col, int flags) override
    {
        calls << Call{.kind = QStringLiteral("font"), .flags = flags};
        return !fonts.isEmpty() && fonts.dequeue()(f, col, flags);
    }
    QMessageBox::StandardButton message(QWidget *, const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons, QMessageBox::StandardButton def,
                                        QMessageBox::Icon icon) override
    {
        calls << Call{QStringLiteral("message"), {}, 0, title, text, buttons, def, icon};
        return messages.isEmpty() ? QMessageBox::Cancel : messages.dequeue();
    }

private:
    bool file(const QString &kind, const QStringList &f, const QString &folder, int &index, QString &name)
    {
        calls << Call{.kind = kind, .filters = f, .folder = folder, .fileName = name};
        const FileAnswer a = files.isEmpty() ? FileAnswer{false, {}, 0} : files.dequeue();
        if (a.ok) {
            name = a.fileName;
            index = a.filterIndex;
        }
        return a.ok;
    }
};
