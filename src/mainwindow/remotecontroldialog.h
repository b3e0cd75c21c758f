#pragma once

#include "remote/mqttbridge.h"
#include "remote/remoteserver.h"
#include "web/webserver.h"

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
    // token: the page's, for its address and QR code.
    RemoteControlDialog(const RemoteSettings &settings, const MqttSettings &mqtt,
                        const WebSettings &web, const QString &token, QWidget *parent = nullptr);
    ~RemoteControlDialog() override;

    RemoteSettings settings() const;
    MqttSettings mqtt() const;
    // The page listens where show controllers are listened for.
    WebSettings web() const;
    // Tries the settings chosen when OK is pressed: the reason they could not be used keeps the
    // dialog open and is shown in it.
    void setTrial(const std::function<QString(const RemoteSettings &)> &trial) { m_trial = trial; }
    // Why the page as chosen could not be served, or nothing: its address and QR code are shown
    // only for a page that can be.
    void setPageCheck(const std::function<QString(const WebSettings &)> &check)
    {
        m_pageCheck = check;
        showPageAddress();
    }

private:
    void showWarning();
    // The address that opens the page, and its QR code to scan with a phone.
    void showPageAddress();
    void accept() override;

    Ui::RemoteControlDialog *ui;
    MqttSettings m_mqtt; // what the dialog does not show is kept as it was
    RemoteSettings m_settings;
    WebSettings m_web;
    QString m_token;
    std::function<QString(const RemoteSettings &)> m_trial;
    std::function<QString(const WebSettings &)> m_pageCheck;
};
