#pragma once

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
    explicit RemoteControlDialog(const RemoteSettings &settings, QWidget *parent = nullptr);
    ~RemoteControlDialog() override;

    RemoteSettings settings() const;

private:
    void showWarning();

    Ui::RemoteControlDialog *ui;
};
