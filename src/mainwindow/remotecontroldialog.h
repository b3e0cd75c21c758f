#pragma once

#include "mqttbridge.h"
#include "remoteserver.h"

#include <QDialog>

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

private:
    void showWarning();

    Ui::RemoteControlDialog *ui;
    MqttSettings m_mqtt; // what the dialog does not show is kept as it was
};
