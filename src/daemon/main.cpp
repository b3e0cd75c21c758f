// tessaryd: the line held by a service with no screen, taking cues from the network as the window
// does. The same port handling, the same command path, the same protocols.

#include "daemon/servicecommand.h"
#include "process/constants.h"
#include "process/stopsignals.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    StopSignals::ignoreWriteFailures();
    ServiceCommand::logQtMessages();
    Tessary::applyApplicationIdentity();
    QCoreApplication application(argc, argv);
    return ServiceCommand::run(application);
}
