#pragma once

#include <QString>

namespace PortHolder {

// Who listens on a port of this machine, "PID 812, qlab-bridge", as far as this user may see;
// empty when that cannot be told.
QString of(quint16 port, bool udp);

} // namespace PortHolder
