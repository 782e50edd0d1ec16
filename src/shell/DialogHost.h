#pragma once
// Every modal dialog and message box the commands show goes through this
// interface, so tests can answer them from a script instead of a person.

#include <QColor>
#include <QFont>
#include <QMessageBox>
#include <QStringList>

class QPrinter;
class QWidget;

class DialogHost
{
public:
    virtual ~DialogHost() = default;

    // nameFilters are Qt name filters ("RTF Files (*.rtf)"); filterIndex is
    // 1-based in and out. Return false on Cancel, leaving the outputs alone.
    virtual bool openFile(QWidget *parent, const QStringList &nameFilters, int &filterIndex,
                          QString &fileName) = 0;
    virtual bool saveFile(QWidget *parent, const QStringList &nameFilters, int &filterIndex,
                          QString &fileName) = 0;
    // flags: 1 preselects the Selection range, 8 hides page numbers.
    virtual bool printer(QWidget *parent, QPrinter &printer, int flags) = 0;
    virtual bool color(QWidget *parent, QColor &color) = 0;
    // flags: 256 shows the effects (underline, strike-through, colour).
    virtual bool font(QWidget *parent, QFont &font, QColor &color, int flags) = 0;
    virtual QMessageBox::StandardButton message(QWidget *parent, const QString &title,
                                                const QString &text,
                                                QMessageBox::StandardButtons buttons,
                                                QMessageBox::StandardButton defaultButton,
                                                QMessageBox::Icon icon) = 0;
};

// The real dialogs.
class QtDialogHost : public DialogHost
{
public:
    bool openFile(QWidget *parent, const QStringList &nameFilters, int &filterIndex,
                  QString &fileName) override;
    bool saveFile(QWidget *parent, const QStringList &nameFilters, int &filterIndex,
                  QString &fileName) override;
    bool printer(QWidget *parent, QPrinter &printer, int flags) override;
    bool color(QWidget *parent, QColor &color) override;
    bool font(QWidget *parent, QFont &font, QColor &color, int flags) override;
    QMessageBox::StandardButton message(QWidget *parent, const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton,
                                        QMessageBox::Icon icon) override;
};
