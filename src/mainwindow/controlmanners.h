#pragma once

#include <QList>

class PortWatcher;
class QComboBox;
class QWidget;

// How the window's controls behave beyond what their kinds do: a list changes under the wheel
// only when it has the focus, the port list is gathered afresh as it opens, and a flat picture
// button among the controls shows the keyboard's focus with a frame.
namespace ControlManners {

void install(QWidget *window, QWidget *controls, QComboBox *portList, PortWatcher *watcher);
// Lists of numbers as wide as their widest number of that many digits, without measuring each
// of their items whenever the layout asks (a thousand folders were measured at every start).
void sizeByWidest(const QList<QComboBox *> &lists, int digits);

} // namespace ControlManners
