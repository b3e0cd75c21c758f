#include "mainwindow/mainwindow.h"
#include "process/constants.h"
#include "process/stopsignals.h"
#include "serial/portwatcher.h"

#include <QApplication>

int main(int argc, char **argv)
{
    PortWatcher::scanEarly();
    StopSignals::ignoreWriteFailures();
    Tessary::applyApplicationIdentity();
    QApplication app(argc, argv);
    MainWindow window;
    // A shutdown, a closed terminal or Ctrl+C close the window as Ctrl+Q does; at the session's
    // end the settings are saved as well.
    StopSignals stop;
    QObject::connect(&stop, &StopSignals::caught, &window, &MainWindow::closeOnRequest);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     &MainWindow::closeOnRequest);
    window.show();
    return app.exec();
}
