#include "mainwindow/remotecontrol.h"

#include "command/commandlog.h"
#include "mainwindow/remotecontroldialog.h"
#include "mainwindow/windowstate.h"
#include "storage/inifile.h"
#include "storage/safefile.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSettings>

RemoteControl::RemoteControl(CommandPath *path, CommandLog *log, QMenu *menu, QAction *before,
                             QWidget *window)
    : QObject(window), m_log(log), m_window(window), m_server(new RemoteServer(path, this)),
      m_bridge(new MqttBridge(path, this)), m_action(new QAction(this))
{
    connect(m_server, &RemoteServer::note, this,
            [this](const QString &text) { m_log->addEvent(text); });
    // The broker joined, lost or refusing: said once each, in the status line too.
    connect(m_bridge, &MqttBridge::note, this, [this](const QString &text) {
        emit status(text);
        m_log->addEvent(text);
    });
    m_action->setObjectName(QStringLiteral("actionRemote_Control"));
    menu->insertAction(before, m_action);
    menu->insertSeparator(before);
    connect(m_action, &QAction::triggered, this, &RemoteControl::show);
}

void RemoteControl::start()
{
    QStringList faults;
    if (const RemoteSettings remote = keptRemote(&faults); remote.enabled)
        applyRemote(remote);
    applyMqtt(keptMqtt());
    if (!faults.isEmpty())
        say(tr("%1: %2; remote control and the broker stay off")
                .arg(QDir::toNativeSeparators(RemoteSettings::windowFile()), faults.first()));
}

void RemoteControl::retranslate()
{
    m_action->setText(tr("&Remote Control..."));
}

void RemoteControl::say(const QString &text)
{
    emit status(text);
    m_log->addEvent(text, QStringLiteral("window"));
}

RemoteSettings RemoteControl::keptRemote(QStringList *faults) const
{
    IniFile kept = IniFile::load(RemoteSettings::windowFile(), RemoteSettings::schema());
    const RemoteSettings settings = RemoteSettings::load(kept);
    MqttSettings::load(kept);
    if (faults)
        *faults = kept.errors();
    return kept.errors().isEmpty() ? settings : RemoteSettings();
}

MqttSettings RemoteControl::keptMqtt() const
{
    IniFile kept = IniFile::load(RemoteSettings::windowFile(), RemoteSettings::schema());
    RemoteSettings::load(kept);
    const MqttSettings settings = MqttSettings::load(kept);
    return kept.errors().isEmpty() ? settings : MqttSettings();
}

void RemoteControl::show()
{
    RemoteControlDialog dialog(keptRemote(), keptMqtt(), m_window);
    // Ports that cannot be listened on keep the dialog open, with the reason; what ran before
    // goes on meanwhile.
    dialog.setTrial([this](const RemoteSettings &chosen) {
        QString why;
        if (!chosen.enabled || m_server->start(chosen, &why))
            return QString();
        if (const RemoteSettings before = keptRemote(); before.enabled) {
            QString again;
            m_server->start(before, &again);
        }
        return why;
    });
    if (dialog.exec() != QDialog::Accepted)
        return;
    const RemoteSettings chosen = dialog.settings();
    const MqttSettings broker = dialog.mqtt();
    // It may hold the broker's password: for its owner's eyes only, from its first byte on.
    QFile kept(RemoteSettings::windowFile());
    if (SafeFile::refusal(kept.fileName()).isEmpty() &&
        (kept.exists() || kept.open(QIODevice::WriteOnly, QFile::ReadOwner | QFile::WriteOwner)))
        kept.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    kept.close();
    const QString refused = WindowState::keepSettings(RemoteSettings::windowFile(),
                                                      [&chosen, &broker](QSettings &kept) {
                                                          chosen.save(kept);
                                                          broker.save(kept);
                                                      });
    applyRemote(chosen);
    applyMqtt(broker);
    if (!refused.isEmpty())
        say(tr("Not saved: %1").arg(refused));
}

void RemoteControl::applyMqtt(const MqttSettings &settings)
{
    QString why;
    if (!m_bridge->start(settings, &why))
        say(tr("MQTT not started: %1").arg(why));
}

// The status line and the log say whether remote control runs, and why not when it failed.
void RemoteControl::applyRemote(const RemoteSettings &settings)
{
    QString why;
    if (!settings.enabled) {
        const bool was = m_server->isListening();
        m_server->stop();
        if (was)
            say(tr("Remote control off"));
    } else if (m_server->start(settings, &why)) {
        say(tr("Remote control on: %1").arg(m_server->description()));
    } else {
        say(tr("Remote control failed: %1").arg(why));
    }
}
