#pragma once

#include "model/installation.h"

#include <QDialog>

namespace Ui {
class PlayersDialog;
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
