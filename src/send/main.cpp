// tessary-send: the window's commands from a shell, a script or a timer. The same frames, the
// same settings file, the same way of opening, locking and writing the port; through tessaryd
// when it holds the port.

#include "process/constants.h"
#include "process/stopsignals.h"
#include "send/sendcommand.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    StopSignals::ignoreWriteFailures();
    Tessary::applyApplicationIdentity();
    QCoreApplication application(argc, argv);
    return SendCommand::run(application);
}
