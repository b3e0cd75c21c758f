#pragma once

#include <QString>

// Where a service keeps what it makes for itself: the page's token, the schedule's record. Found
// the same way by the unit, by an administrator's shell (tessaryd --show-url or --check with the
// same configuration) and by each instance for its own:
//   - under systemd, the unit's StateDirectory ($STATE_DIRECTORY);
//   - for a configuration in the system's folder (/etc/tessary/tessaryd.conf), the folder the
//     unit is given (/var/lib/tessaryd), and /var/lib/tessaryd/NAME for NAME.conf (tessaryd@NAME);
//   - otherwise the user's own data folder.
namespace StateFolder {

QString forConfiguration(const QString &configurationFile);
// The folders of the first two kinds, for a file in the given configuration folder.
QString forConfiguration(const QString &configurationFile, const QString &systemFolder,
                         const QString &stateRoot);

} // namespace StateFolder
