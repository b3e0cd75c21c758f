#include "mainwindow/installationmenu.h"

#include "command/commandlog.h"
#include "command/commandpath.h"
#include "command/schedulerunner.h"
#include "mainwindow/identifydialog.h"
#include "mainwindow/playersdialog.h"
#include "mainwindow/scenesdialog.h"
#include "mainwindow/scheduledialog.h"
#include "model/deviceprofile.h"
#include "serial/seriallink.h"

#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

// Installation: the players' names, the scenes, Stop All and Identify, in a menu of their own.
InstallationMenu::InstallationMenu(CommandPath *path, CommandLog *log, QMainWindow *window,
                                   QMenu *before, QComboBox *ids)
    : QObject(window), m_path(path), m_log(log), m_window(window), m_ids(ids),
      m_file(Installation::windowFile()), m_schedule(new ScheduleRunner(path, {}, this))
{
    m_menu = new QMenu(window->menuBar());
    m_menu->setObjectName(QStringLiteral("menuInstallation"));
    window->menuBar()->insertMenu(before->menuAction(), m_menu);
    const auto add = [this](QMenu *menu, const char *name, void (InstallationMenu::*slot)()) {
        QAction *action = menu->addAction(QString());
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add(m_menu, "actionPlayers", &InstallationMenu::showPlayers);
    m_scenes = m_menu->addMenu(QString());
    m_scenes->setObjectName(QStringLiteral("menuScenes"));
    m_stopAll = add(m_menu, "actionStop_All", &InstallationMenu::stopAll);
    m_stopAll->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Space));
    add(m_menu, "actionIdentify", &InstallationMenu::showIdentify);
    add(m_menu, "actionSchedule", &InstallationMenu::showSchedule);
    m_menu->addSeparator();
    add(m_menu, "actionImport", &InstallationMenu::importFile);
    add(m_menu, "actionExport", &InstallationMenu::exportFile);
    m_record = new QAction(this);
    m_record->setObjectName(QStringLiteral("actionRecord_Scene"));
    m_record->setCheckable(true);
    connect(m_record, &QAction::toggled, this, &InstallationMenu::record);
    connect(m_path, &CommandPath::commandSent, this,
            [this](const PlayerCommand &command, Request::Origin origin) {
                if (m_record->isChecked() && origin == Request::Origin::Person)
                    recordCommand(command);
            });
    // The schedule runs while the window holds the line; what it missed, and a cue not sent,
    // are said in the status line and the log.
    m_schedule->setKeptIn(QFileInfo(m_file.path()).dir().filePath(QStringLiteral("schedule-last")));
    connect(m_path, &CommandPath::linkStateChanged, this, [this](CommandPath::LinkState state) {
        if (state == CommandPath::LinkState::Closed)
            m_schedule->stop();
        else if (!m_schedule->isRunning())
            m_schedule->start();
    });
    connect(m_schedule, &ScheduleRunner::note, this, [this](const QString &text, bool problem) {
        problem ? emit shown(tr("Schedule: %1").arg(text)) : m_log->addEvent(text);
    });
    connect(m_path, &CommandPath::answered, this,
            [this](const Request &request, const Reply &reply) {
                if (request.origin == Request::Origin::Schedule && !reply.sent())
                    emit status(tr("Schedule: %1 not sent: %2").arg(reply.said, reply.why()));
            });
    connect(m_path, &CommandPath::sceneEnded, this,
            [this](const QString &name, const QString &said) {
                emit shown(tr("Scene %1: %2").arg(name, said));
            });
}

void InstallationMenu::start()
{
    const Installation installation = m_file.load();
    apply(installation, false);
    sayLeftOut(installation.problems());
}

void InstallationMenu::retranslate()
{
    m_menu->setTitle(tr("&Installation"));
    m_scenes->setTitle(tr("&Scenes"));
    const std::pair<const char *, const char *> texts[] = {
        {"actionPlayers", QT_TR_NOOP("&Players...")},
        {"actionStop_All", QT_TR_NOOP("Stop &All")},
        {"actionIdentify", QT_TR_NOOP("I&dentify...")},
        {"actionSchedule", QT_TR_NOOP("Sc&hedule...")},
        {"actionImport", QT_TR_NOOP("I&mport...")},
        {"actionExport", QT_TR_NOOP("E&xport...")},
    };
    for (const auto &[name, text] : texts)
        m_menu->findChild<QAction *>(QLatin1String(name))->setText(tr(text));
    m_record->setText(tr("&Record"));
    apply(m_path->installation(), false);
}

// The installation in use from now on: names in the ID list's tooltips and the log, the scenes
// in their menu with their shortcuts; kept in its file when save is set.
void InstallationMenu::apply(Installation installation, bool save)
{
    // What was saved is read back: the file, as it now is, is what is used.
    QString why;
    const InstallationFile::Saved saved =
        save ? m_file.save(installation, &why) : InstallationFile::Saved::Yes;
    if (save && saved != InstallationFile::Saved::No)
        installation = m_file.load();
    m_path->setInstallation(installation);
    for (int id = 0; id < m_ids->count(); ++id) {
        const QString name = installation.nameOf(id);
        m_ids->setItemData(id, name.isEmpty() ? QVariant() : tr("%1 %2").arg(id).arg(name),
                           Qt::ToolTipRole);
    }
    qDeleteAll(m_sceneActions);
    m_sceneActions.clear();
    m_scenes->clear();
    // Qt runs neither of two actions that answer to one key: a scene's key that the window or an
    // earlier scene has already is not given, lest both go silent.
    QList<QKeySequence> taken = windowKeys();
    QStringList clashes, leftOut;
    for (const Installation::Scene &scene : installation.scenes()) {
        // A name is shown as it is written: an ampersand in it is no mnemonic.
        QAction *action = m_scenes->addAction(
            QString(scene.name).replace(QStringLiteral("&"), QStringLiteral("&&")));
        const QKeySequence keys(scene.shortcut, QKeySequence::PortableText);
        if (taken.contains(keys) && !keys.isEmpty()) {
            clashes << tr("%1 of %2").arg(keys.toString(QKeySequence::NativeText), scene.name);
            leftOut << scene.shortcut + u' ' + scene.name;
        } else
            action->setShortcut(keys);
        taken << keys;
        m_window->addAction(action); // its shortcut works wherever the focus is
        connect(action, &QAction::triggered, this, [this, name = scene.name] { runScene(name); });
        m_sceneActions << action;
    }
    m_scenes->addSeparator();
    m_scenes->addAction(m_record);
    QAction *edit = m_scenes->addAction(tr("&Edit..."));
    edit->setObjectName(QStringLiteral("actionEdit_Scenes"));
    connect(edit, &QAction::triggered, this, &InstallationMenu::showScenes);
    // Said when they change: a change of language leaves the status line as its form has it.
    if (!clashes.isEmpty() && leftOut != m_keysLeftOut)
        emit shown(tr("Shortcuts left out, as they are taken already: %1")
                       .arg(clashes.join(QStringLiteral(", "))));
    m_keysLeftOut = leftOut;
    if (saved != InstallationFile::Saved::Yes)
        emit shown(tr("Not saved: %1").arg(why));
}

// What the installation's file holds that the window cannot use stays in the file as written;
// the status line says so, and the log has each line of it.
void InstallationMenu::sayLeftOut(const QStringList &problems)
{
    constexpr qsizetype Shown = 10;
    if (problems.isEmpty())
        return;
    const QString file = QDir::toNativeSeparators(m_file.path());
    emit status(
        problems.size() == 1
            ? tr("%1: left out, and kept in the file as written: %2").arg(file, problems.first())
            : tr("%1: %2 things left out, and kept in the file as written; the "
                 "command log has them")
                  .arg(file)
                  .arg(problems.size()));
    for (const QString &problem : problems.mid(0, Shown))
        m_log->addEvent(tr("Left out: %1").arg(problem), file);
    if (problems.size() > Shown)
        m_log->addEvent(tr("And %1 more left out").arg(problems.size() - Shown), file);
}

// The keys the window answers to, apart from its scenes'.
QList<QKeySequence> InstallationMenu::windowKeys() const
{
    QList<QKeySequence> keys;
    for (const QAction *action : m_window->findChildren<QAction *>())
        if (!m_sceneActions.contains(action))
            keys << action->shortcuts();
    return keys;
}

void InstallationMenu::showPlayers()
{
    PlayersDialog dialog(m_path->installation(), m_window);
    if (dialog.exec() == QDialog::Accepted)
        apply(dialog.installation(), true);
}

void InstallationMenu::showScenes()
{
    ScenesDialog dialog(m_path->installation(), windowKeys(), m_window);
    if (dialog.exec() == QDialog::Accepted)
        apply(dialog.installation(), true);
}

void InstallationMenu::showIdentify()
{
    IdentifyDialog dialog(m_path, m_window);
    dialog.exec();
    apply(dialog.installation(), true);
}

void InstallationMenu::showSchedule()
{
    const auto *link = qobject_cast<SerialLink *>(m_path->line());
    const QString runs =
        m_schedule->isRunning() ? tr("This window holds the line and runs the schedule.")
        : link && link->holder() && link->holder()->name == QLatin1String("tessaryd")
            ? tr("The service, tessaryd, holds the line and runs the schedule: hold or skip "
                 "its cues on its page or its broker.")
            : tr("The schedule runs while this window holds the line.");
    ScheduleDialog dialog(m_path->installation(), m_schedule, runs, m_window);
    if (dialog.exec() == QDialog::Accepted)
        apply(dialog.installation(), true);
}

void InstallationMenu::importFile()
{
    const QString path = QFileDialog::getOpenFileName(m_window, tr("Import the installation"),
                                                      QString(), tr("Installations (*.txt)"));
    if (path.isEmpty())
        return;
    // A file with nothing of an installation in it (unreadable, or another kind of text) leaves
    // the players and scenes as they were.
    const Installation read = Installation::load(path);
    if (read.isEmpty() && !read.problems().isEmpty()) {
        emit shown(tr("Not imported: %1: %2").arg(path, read.problems().first()));
        return;
    }
    emit shown(
        read.problems().isEmpty()
            // Counted through the catalogue's plurals; worded to read right without one.
            ? tr("Imported: %1, %2, %3")
                  .arg(tr("players: %n", nullptr, int(read.players().size())),
                       tr("scenes: %n", nullptr, int(read.scenes().size())),
                       tr("cues of the schedule: %n", nullptr, int(read.schedule().cues().size())))
            : tr("Imported, with what was left out: %1").arg(read.problems().join(u"; ")));
    apply(read, true); // a failed save or a key taken is said over it
}

void InstallationMenu::exportFile()
{
    const QString path = QFileDialog::getSaveFileName(m_window, tr("Export the installation"),
                                                      QStringLiteral("installation.txt"),
                                                      tr("Installations (*.txt)"));
    QString why;
    if (!path.isEmpty())
        emit shown(m_path->installation().save(path, &why) ? tr("Saved to %1").arg(path)
                                                           : tr("Not saved: %1").arg(why));
}

void InstallationMenu::runScene(const QString &name)
{
    Asked scene;
    scene.target = Asked::Target::Scene;
    scene.scene = name;
    const Reply reply = m_path->request(Request::press(QStringLiteral("window"), scene));
    if (reply.outcome == Reply::Outcome::Refused)
        emit shown(tr("Scene %1 not run: %2").arg(name, reply.why()));
    emit requested();
}

void InstallationMenu::stopAll()
{
    Asked all;
    all.target = Asked::Target::AllPlayers;
    const Reply reply = m_path->request(Request::press(QStringLiteral("window"), all));
    emit shown(
        tr("Stop All: frames sent %1 of %n", nullptr, reply.framesAsked).arg(reply.frames.size()));
    emit requested();
}

// Recording: every command the window sends, with the pauses between them, becomes a scene.
void InstallationMenu::record(bool recording)
{
    if (recording) {
        m_recorded.clear();
        m_lastRecordedMs = 0;
        emit shown(tr("Recording a scene"));
        return;
    }
    if (m_recorded.isEmpty()) {
        emit shown(tr("Nothing recorded"));
        return;
    }
    bool named = false;
    const QString name = QInputDialog::getText(m_window, tr("Recorded scene"), tr("Name:"),
                                               QLineEdit::Normal, QString(), &named);
    if (!named)
        return;
    Installation installation = m_path->installation();
    Installation::Scene scene{name.simplified(), QString(), m_recorded};
    const QString refused = installation.setScene(scene);
    if (!refused.isEmpty()) {
        emit shown(tr("Scene not kept: %1").arg(refused));
        return;
    }
    emit shown(tr("Scene %1 recorded, steps: %n", nullptr, int(m_recorded.size())).arg(scene.name));
    apply(installation, true);
}

void InstallationMenu::recordCommand(const PlayerCommand &command)
{
    // A pause of more than a third of a second is kept, to the tenth.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (m_lastRecordedMs && now - m_lastRecordedMs > 300)
        m_recorded.append({0, -1, {}, int((now - m_lastRecordedMs + 50) / 100 * 100), {}});
    m_lastRecordedMs = now;
    const DeviceProfile &profile = DeviceProfiles::profile(m_path->model());
    m_recorded.append(
        {0, command.playerId, PlayerCommands::words(command, profile).split(u' '), 0, {}});
}
