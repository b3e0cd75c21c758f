#pragma once

#include "model/installation.h"

#include <QDialog>
#include <QTimer>

class CommandPath;

namespace Ui {
class IdentifyDialog;
} // namespace Ui

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
