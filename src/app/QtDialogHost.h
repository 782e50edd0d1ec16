#pragma once
// The real dialogs: Qt's file, printer and colour dialogs, our font dialog
// with effects and colour, and message boxes.

#include "shell/DialogHost.h"

class QtDialogHost : public DialogHost
{
public:
    bool openFile(QWidget *parent, const QStringList &nameFilters, const QString &folder,
                  int &filterIndex, QString &fileName) override;
    bool saveFile(QWidget *parent, const QStringList &nameFilters, const QString &folder,
                  int &filterIndex, QString &fileName) override;
    bool printer(QWidget *parent, QPrinter &printer, int flags) override;
    bool color(QWidget *parent, QColor &color) override;
    bool font(QWidget *parent, QFont &font, QColor &color, int flags) override;
    QMessageBox::StandardButton message(QWidget *parent, const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton,
                                        QMessageBox::Icon icon) override;
};
