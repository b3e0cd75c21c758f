#include "constants.h"
#include "mainwindow.h"
#include "seriallink.h"

#include <QApplication>

int main(int argc, char **argv)
{
    SerialLink::discoverPortsAhead();
    Tessary::applyApplicationIdentity();
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    return app.exec();
}
