#pragma once

#include "remote/mqttbridge.h"
#include "remote/remoteserver.h"

#include <QDialog>
#include <functional>

namespace Ui {
class RemoteControlDialog;
}

// File > Remote Control...: whether show controllers may cue the players from the network, on
// which ports and address, and from which clients.
class RemoteControlDialog : public QDialog
{
    Q_OBJECT

public:
    RemoteControlDialog(const RemoteSettings &settings, const MqttSettings &mqtt,
                        QWidget *parent = nullptr);
    ~RemoteControlDialog() override;

    RemoteSettings settings() const;
    MqttSettings mqtt() const;
    // Tries the settings chosen when OK is pressed: the reason they could not be used keeps the
    // dialog open and is shown in it.
    void setTrial(const std::function<QString(const RemoteSettings &)> &trial) { m_trial = trial; }

private:
    void showWarning();
    void accept() override;

    Ui::RemoteControlDialog *ui;
    MqttSettings m_mqtt; // what the dialog does not show is kept as it was
    RemoteSettings m_settings;
    std::function<QString(const RemoteSettings &)> m_trial;
};
