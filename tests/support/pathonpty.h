#pragma once

#include "command/commandpath.h"
#include "pseudoterminal.h"
#include "serial/seriallink.h"

#include <QSerialPort>

// The request path on a line that is a pseudo-terminal, open at 19200 baud, with an
// installation: what it sends is read back at line.
struct PathOnPty
{
    explicit PathOnPty(const QString &installation = {})
    {
        link.open(line.slavePath, 19200);
        path.setInstallation(Installation::parse(installation));
    }

    PseudoTerminal line;
    QSerialPort port;
    SerialLink link{&port};
    CommandPath path{&link};
};
