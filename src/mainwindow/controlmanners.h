#pragma once

class PortWatcher;
class QComboBox;
class QWidget;

// How the window's controls behave beyond what their kinds do: a list changes under the wheel
// only when it has the focus, the port list is gathered afresh as it opens, and a flat picture
// button among the controls shows the keyboard's focus with a frame.
namespace ControlManners {

void install(QWidget *window, QWidget *controls, QComboBox *portList, PortWatcher *watcher);

} // namespace ControlManners
