#pragma once

#include "model/installation.h"

#include <QDialog>
#include <QKeySequence>
#include <QTimer>

class CommandPath;
class ScheduleRunner;

namespace Ui {
class PlayersDialog;
class ScenesDialog;
class IdentifyDialog;
class ScheduleDialog;
} // namespace Ui

// Installation > Players...: the players on this line, an ID and a name each.
class PlayersDialog : public QDialog
{
    Q_OBJECT

public:
    PlayersDialog(const Installation &installation, QWidget *parent = nullptr);
    ~PlayersDialog() override;

    // The installation with the players as edited; accepted only when every row is sound.
    Installation installation() const { return m_installation; }

private:
    void addRow(int id, const QString &name);
    void accept() override;

    Ui::PlayersDialog *ui;
    Installation m_installation;
};

// Installation > Scenes > Edit...: each scene's steps as lines of text, and its shortcut.
class ScenesDialog : public QDialog
{
    Q_OBJECT

public:
    // windowKeys: the keys the window answers to, which a scene cannot have.
    ScenesDialog(const Installation &installation, const QList<QKeySequence> &windowKeys,
                 QWidget *parent = nullptr);
    ~ScenesDialog() override;

    Installation installation() const { return m_installation; }

private:
    void showScene(int row);
    // The steps shown, kept into the scene they belong to; the reason when they are not sound.
    QString keepShown();
    void accept() override;

    Ui::ScenesDialog *ui;
    Installation m_installation;
    QList<QKeySequence> m_windowKeys;
    int m_shown = -1;
};

// Installation > Schedule...: who runs the schedule, today's cues and the next, held for the
// day or the next skipped at once; the schedule's lines edited as text, checked as the file's.
class ScheduleDialog : public QDialog
{
    Q_OBJECT

public:
    // runner: the window's, steered only while it runs; runs: who runs the schedule, said.
    ScheduleDialog(const Installation &installation, ScheduleRunner *runner, const QString &runs,
                   QWidget *parent = nullptr);
    ~ScheduleDialog() override;

    Installation installation() const { return m_installation; }

private:
    void showCues();
    void accept() override;

    Ui::ScheduleDialog *ui;
    Installation m_installation;
    ScheduleRunner *m_runner;
};

// Installation > Identify...: plays a folder on each player in turn, so that the installer can
// tell which box answers to which ID, and name it.
class IdentifyDialog : public QDialog
{
    Q_OBJECT

public:
    IdentifyDialog(CommandPath *path, QWidget *parent = nullptr);
    ~IdentifyDialog() override;

    // The players named while it ran.
    Installation installation() const { return m_installation; }

private:
    void start();
    void stop();
    void next();
    void found();

    Ui::IdentifyDialog *ui;
    CommandPath *m_path;
    Installation m_installation;
    QList<int> m_ids;
    qsizetype m_at = -1;
    QTimer m_pause;
};
