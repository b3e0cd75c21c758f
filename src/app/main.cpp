#include "constants.h"
#include "mainwindow.h"
#include "portwatcher.h"

#include <QApplication>

int main(int argc, char **argv)
{
    PortWatcher::scanEarly();
    Tessary::applyApplicationIdentity();
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    return app.exec();
}
