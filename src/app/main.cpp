#include "mainwindow/mainwindow.h"
#include "process/constants.h"
#include "process/stopsignals.h"
#include "serial/portwatcher.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    // Answered before anything needs a display: from a terminal, over ssh, in a script.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs("Usage: tessary [Qt's options, such as -platform offscreen]\n"
                       "The window of Tessary: audio players on a serial line, their players, "
                       "scenes and schedule.\nFrom scripts and timers: tessary-send; as a "
                       "service: tessaryd. See tessary(1).\n",
                       stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("tessary %s\n", Tessary::ApplicationVersion.data());
            return 0;
        }
    }
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
