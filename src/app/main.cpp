#include "app/Form1.h"
#include "shell/Product.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(product::name());
    QApplication::setApplicationVersion(product::version());
    Form1 form;
    form.start();
    return app.exec();
}
