#pragma once

#include "service/configuration.h"

#include <QObject>

class CommandLog;
class CommandPath;
class LineHolder;
class ScheduleRunner;
class Service;
class QAction;
class QMenu;
class QWidget;

// The window's remote control: show controllers over OSC and text, a broker and the front
// desk's page, run by the same service as tessaryd's on the window's line, kept in remote.ini
// and read as tessaryd reads its configuration; File > Remote Control... sets them.
class RemoteControl : public QObject
{
    Q_OBJECT

public:
    // Its entry goes in the menu before `before`; its notes go to the log.
    RemoteControl(CommandPath *path, CommandLog *log, QMenu *menu, QAction *before,
                  QWidget *window);

    // What was kept, started: a file with a fault is said, and leaves them off.
    void start();
    void retranslate();
    // The holder of the line, whose waiting the page shows; the schedule, on the broker and
    // the page.
    void follow(LineHolder *holder);
    void follow(ScheduleRunner *schedule);

signals:
    // A text for the status line.
    void status(const QString &text);

private:
    void show();
    // As kept; the faults of the file when it has any, and then the defaults.
    ServiceConfiguration kept(QStringList *faults = nullptr) const;
    // Each way in that changed, started anew; the status line and the log say how it went.
    void apply(const ServiceConfiguration &configuration);
    // The status line, and a row of the log.
    void say(const QString &text);

    CommandLog *m_log;
    QWidget *m_window;
    Service *m_service;
    QAction *m_action;
};
