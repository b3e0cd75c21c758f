#pragma once

#include "model/installation.h"

#include <QKeySequence>
#include <QObject>

class CommandLog;
class CommandPath;
class QAction;
class QComboBox;
class QMainWindow;
class QMenu;
class ScheduleRunner;
struct PlayerCommand;

// Installation: the players' names, the scenes with their keys, Stop All and Identify, the
// schedule, the file's import and export, and scenes recorded from the window, in a menu of
// their own. The installation's file keeps what the window cannot use as it was written. The
// schedule runs here while the window holds the line (open, or lost and awaited).
class InstallationMenu : public QObject
{
    Q_OBJECT

public:
    // The menu goes before `before` in the window's menu bar; the players' names go to the ID
    // list's tooltips.
    InstallationMenu(CommandPath *path, CommandLog *log, QMainWindow *window, QMenu *before,
                     QComboBox *ids);

    // The file's installation in use, and what was left out of it said. After the window's own
    // keys exist, which the scenes' keys must leave to it.
    void start();
    void retranslate();
    ScheduleRunner *schedule() const { return m_schedule; }

signals:
    // A text for the status line and a row of the log; one for the status line alone.
    void shown(const QString &text);
    void status(const QString &text);
    // A scene or Stop All was asked for from the window.
    void requested();

private:
    // The installation in use from now on; kept in its file when save is set.
    void apply(Installation installation, bool save);
    void sayLeftOut(const QStringList &problems);
    // The keys the window answers to, apart from the scenes'.
    QList<QKeySequence> windowKeys() const;
    void showPlayers();
    void showScenes();
    void showIdentify();
    void showSchedule();
    void importFile();
    void exportFile();
    void runScene(const QString &name);
    void stopAll();
    void record(bool recording);
    void recordCommand(const PlayerCommand &command);

    CommandPath *m_path;
    CommandLog *m_log;
    QMainWindow *m_window;
    QComboBox *m_ids;
    InstallationFile m_file;
    QMenu *m_menu = nullptr;
    QMenu *m_scenes = nullptr;
    QList<QAction *> m_sceneActions;
    QStringList m_keysLeftOut; // the scenes' keys taken already, and their scenes
    QAction *m_record = nullptr;
    QAction *m_stopAll = nullptr;
    ScheduleRunner *m_schedule;
    // What the window sends while a scene is recorded, and when the last of it went.
    QList<Installation::Step> m_recorded;
    qint64 m_lastRecordedMs = 0;
};
