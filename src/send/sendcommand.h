#pragma once

class QCoreApplication;

// tessary-send from its command line: its options, what the window saved, the port opened (or
// the service that holds it reached), every request checked, then sent. The exit status.
namespace SendCommand {

int run(QCoreApplication &application);

} // namespace SendCommand
