#include "mainwindow/remotecontrol.h"

#include "command/commandlog.h"
#include "mainwindow/remotecontroldialog.h"
#include "mainwindow/windowstate.h"
#include "remote/mqttbridge.h"
#include "remote/remoteserver.h"
#include "service/service.h"
#include "storage/safefile.h"
#include "storage/statefolder.h"
#include "web/webserver.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSettings>

RemoteControl::RemoteControl(CommandPath *path, CommandLog *log, QMenu *menu, QAction *before,
                             QWidget *window)
    : QObject(window), m_log(log), m_window(window), m_service(new Service(path, this)),
      m_action(new QAction(this))
{
    connect(m_service->remote(), &RemoteServer::note, this,
            [this](const QString &text) { m_log->addEvent(text); });
    // The broker joined, lost or refusing: said once each, in the status line too.
    connect(m_service->broker(), &MqttBridge::note, this, [this](const QString &text) {
        emit status(text);
        m_log->addEvent(text);
    });
    m_action->setObjectName(QStringLiteral("actionRemote_Control"));
    menu->insertAction(before, m_action);
    menu->insertSeparator(before);
    connect(m_action, &QAction::triggered, this, &RemoteControl::show);
}

void RemoteControl::follow(LineHolder *holder)
{
    m_service->follow(holder);
}

void RemoteControl::follow(ScheduleRunner *schedule)
{
    m_service->follow(schedule);
}

void RemoteControl::start()
{
    QStringList faults;
    const ServiceConfiguration configuration = kept(&faults);
    if (!faults.isEmpty()) {
        say(tr("%1; remote control and the broker stay off")
                .arg(QDir::toNativeSeparators(faults.first())));
        return;
    }
    apply(configuration);
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

ServiceConfiguration RemoteControl::kept(QStringList *faults) const
{
    ServiceConfiguration configuration =
        ServiceConfiguration::read(RemoteSettings::windowFile(), false);
    if (faults)
        *faults = configuration.faults();
    if (configuration.isGood())
        return configuration;
    ServiceConfiguration defaults;
    defaults.file = configuration.file;
    return defaults;
}

// The status line and the log say what runs, and why not when it failed; never the page's token.
void RemoteControl::apply(const ServiceConfiguration &configuration)
{
    using Part = ServiceConfiguration::Part;
    const bool remoteWas = m_service->remote()->isListening();
    const bool pageWas = m_service->page() && m_service->page()->isListening();
    m_service->applyWaysIn(configuration, [&](Part part, const QString &why) {
        switch (part) {
        case Part::Remote:
            if (!why.isEmpty())
                say(tr("Remote control failed: %1").arg(why));
            else if (configuration.remote.enabled)
                say(tr("Remote control on: %1").arg(m_service->remote()->description()));
            else if (remoteWas)
                say(tr("Remote control off"));
            break;
        case Part::Mqtt:
            if (!why.isEmpty())
                say(tr("MQTT not started: %1").arg(why));
            break;
        case Part::Web:
            if (!why.isEmpty())
                say(tr("The page failed: %1").arg(why));
            else if (configuration.web.enabled)
                say(tr("The page is served on port %1").arg(m_service->page()->port()));
            else if (pageWas)
                say(tr("The page is off"));
            break;
        default:
            break;
        }
    });
}

void RemoteControl::show()
{
    const ServiceConfiguration was = kept();
    QString why;
    const QString token = was.web.token.isEmpty()
                              ? WebServer::keptToken(StateFolder::forConfiguration(was.file), &why)
                              : was.web.token;
    if (token.isEmpty())
        say(tr("The page has no token: %1").arg(why));
    RemoteControlDialog dialog(was.remote, was.mqtt, was.web, token, m_window);
    // Ports that cannot be listened on keep the dialog open, with the reason; what ran before
    // goes on meanwhile.
    dialog.setTrial([this](const RemoteSettings &chosen) { return m_service->tryRemote(chosen); });
    dialog.setPageCheck(
        [this](const WebSettings &chosen) { return m_service->pageRefusal(chosen); });
    if (dialog.exec() != QDialog::Accepted)
        return;
    ServiceConfiguration chosen = was;
    chosen.remote = dialog.settings();
    chosen.mqtt = dialog.mqtt();
    chosen.web = dialog.web();
    // It may hold the broker's password: for its owner's eyes only, from its first byte on.
    QFile file(RemoteSettings::windowFile());
    if (SafeFile::refusal(file.fileName()).isEmpty() &&
        (file.exists() || file.open(QIODevice::WriteOnly, QFile::ReadOwner | QFile::WriteOwner)))
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    file.close();
    const QString refused = WindowState::keepSettings(
        RemoteSettings::windowFile(), [&](QSettings &kept) { chosen.saveFrontEnds(kept); });
    apply(chosen);
    if (!refused.isEmpty())
        say(tr("Not saved: %1").arg(refused));
}
