#pragma once

#include <QObject>

class CommandLog;
class CommandLogPanel;
class QAction;
class QDockWidget;
class QMainWindow;
class QMenu;
class QWidget;

// View > Command Log: the log in a dock under the window, shown or hidden as it was at the last
// start, made the first time it is shown so that a start with it hidden costs nothing more.
class CommandLogView : public QObject
{
    Q_OBJECT

public:
    // The View menu goes before `before`; Tab goes from `lastControl` into the log.
    CommandLogView(CommandLog *log, QMainWindow *window, QMenu *before, QWidget *lastControl);

    QMenu *menu() const { return m_menu; }
    void show(bool shown);
    void retranslate();

signals:
    // A text for the status line: the choice could not be kept.
    void status(const QString &text);

private:
    CommandLog *m_log;
    QMainWindow *m_window;
    QWidget *m_lastControl;
    QMenu *m_menu;
    QAction *m_action;
    QDockWidget *m_dock = nullptr;
    CommandLogPanel *m_panel = nullptr;
};
