#pragma once

#include <QObject>

class CommandLog;
class CommandLogPanel;
class QAction;
class QDockWidget;
class QMainWindow;
class QMenu;
class QScrollArea;
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
    // Fits the window with its log into a screen that high: on a short one the controls scroll
    // above the log, so that no button is left below the edge.
    void fitTo(int screenHeight);

signals:
    // A text for the status line: the choice could not be kept.
    void status(const QString &text);

private:
    // Tab goes from the last control into the log, then to Clear and Save as...
    void chainTabs();

    CommandLog *m_log;
    QMainWindow *m_window;
    QWidget *m_lastControl;
    QMenu *m_menu;
    QAction *m_action;
    QDockWidget *m_dock = nullptr;
    CommandLogPanel *m_panel = nullptr;
    QWidget *m_controls;             // the window's own central widget
    QScrollArea *m_scroll = nullptr; // around it while the screen is short
};
