#include "shell/Form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet 99"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
    Form1 form;
    form.start();
    return app.exec();
}
