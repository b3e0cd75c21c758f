#pragma once

#include "remote/mqttbridge.h"
#include "remote/remoteserver.h"
#include "web/webserver.h"

#include <QObject>

class CommandLog;
class CommandPath;
class LineHolder;
class ScheduleRunner;
class QAction;
class QMenu;
class QWidget;

// The window's remote control: show controllers over OSC and text, a broker and the front
// desk's page, kept in
// remote.ini and read as tessaryd reads its configuration; File > Remote Control... sets them.
class RemoteControl : public QObject
{
    Q_OBJECT

public:
    // Its entry goes in the menu before `before`; its notes go to the log.
    RemoteControl(CommandPath *path, CommandLog *log, QMenu *menu, QAction *before,
                  QWidget *window);

    // What was kept, started: a file with a fault is said, and leaves both off.
    void start();
    void retranslate();
    // The holder of the line, whose waiting the page shows.
    void follow(LineHolder *holder) { m_holder = holder; }
    // The schedule, on the broker and the page.
    void follow(ScheduleRunner *schedule)
    {
        m_bridge->follow(schedule);
        m_schedule = schedule;
    }

signals:
    // A text for the status line.
    void status(const QString &text);

private:
    void show();
    // As kept; the faults of the file when it has any, and then the defaults.
    RemoteSettings keptRemote(QStringList *faults = nullptr) const;
    MqttSettings keptMqtt() const;
    WebSettings keptWeb() const;
    void applyWeb(const WebSettings &settings);
    // The page's token, made the first time and kept in the user's data folder.
    QString webToken();
    void applyRemote(const RemoteSettings &settings);
    void applyMqtt(const MqttSettings &settings);
    // The status line, and a row of the log.
    void say(const QString &text);

    CommandLog *m_log;
    QWidget *m_window;
    RemoteServer *m_server;
    MqttBridge *m_bridge;
    CommandPath *m_path;
    WebServer *m_web = nullptr; // made once the page is switched on
    LineHolder *m_holder = nullptr;
    ScheduleRunner *m_schedule = nullptr;
    QString m_webToken;
    QAction *m_action;
};
