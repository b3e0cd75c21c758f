#include "constants.h"
#include "mainwindow.h"

#include <QApplication>

int main(int argc, char **argv)
{
    Tessary::applyApplicationIdentity();
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    return app.exec();
}
