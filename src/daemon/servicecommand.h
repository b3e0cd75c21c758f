#pragma once

class QCoreApplication;

// tessaryd from its command line: --check, --show-url, or the service run until a stop signal,
// with its log for the journal and its state for systemd. The exit status.
namespace ServiceCommand {

// Qt's own words go to the journal as the service's do, each with its priority.
void logQtMessages();
int run(QCoreApplication &application);

} // namespace ServiceCommand
