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
      m_bridge(new MqttBridge(path, this)), m_path(path), m_action(new QAction(this))
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
    if (const WebSettings web = keptWeb(); web.enabled)
        applyWeb(web);
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

WebSettings RemoteControl::keptWeb() const
{
    IniFile kept = IniFile::load(RemoteSettings::windowFile(), RemoteSettings::schema());
    const WebSettings settings = WebSettings::load(kept);
    return kept.errors().isEmpty() ? settings : WebSettings();
}

QString RemoteControl::webToken()
{
    if (m_webToken.isEmpty()) {
        QString why;
        m_webToken = WebServer::keptToken(WebSettings::stateFolder(), &why);
        if (m_webToken.isEmpty())
            say(tr("The page has no token: %1").arg(why));
    }
    return m_webToken;
}

// The status line and the log say whether the page is served, and where; never its token.
void RemoteControl::applyWeb(const WebSettings &settings)
{
    if (!settings.enabled) {
        if (m_web && m_web->isListening()) {
            m_web->stop();
            say(tr("The page is off"));
        }
        return;
    }
    // Made once the page is wanted: an HTTP server sets up TLS as it is made, which costs a
    // window that never serves the page a seventh of its start.
    if (!m_web) {
        m_web = new WebServer(m_path, this);
        connect(m_web, &WebServer::note, this,
                [this](const QString &text) { m_log->addEvent(text); });
        if (m_holder)
            m_web->follow(m_holder);
        if (m_schedule)
            m_web->follow(m_schedule);
    }
    QString why;
    const QString token = settings.token.isEmpty() ? webToken() : settings.token;
    if (!token.isEmpty() && m_web->start(settings, token, &why)) {
        say(tr("The page is served on port %1").arg(m_web->port()));
    } else if (!token.isEmpty()) {
        say(tr("The page failed: %1").arg(why));
    }
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
    const WebSettings keptPage = keptWeb();
    RemoteControlDialog dialog(keptRemote(), keptMqtt(), keptPage,
                               keptPage.token.isEmpty() ? webToken() : keptPage.token, m_window);
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
    const WebSettings page = dialog.web();
    // It may hold the broker's password: for its owner's eyes only, from its first byte on.
    QFile kept(RemoteSettings::windowFile());
    if (SafeFile::refusal(kept.fileName()).isEmpty() &&
        (kept.exists() || kept.open(QIODevice::WriteOnly, QFile::ReadOwner | QFile::WriteOwner)))
        kept.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    kept.close();
    const QString refused =
        WindowState::keepSettings(RemoteSettings::windowFile(), [&](QSettings &kept) {
            chosen.save(kept);
            broker.save(kept);
            page.save(kept);
        });
    applyRemote(chosen);
    if (!(page == keptPage))
        applyWeb(page);
    // Last: the broker's answer may come later, and is what the status line then says.
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
