#pragma once

#include "model/installation.h"

#include <QDialog>
#include <QKeySequence>

namespace Ui {
class ScenesDialog;
} // namespace Ui

// Installation > Scenes > Edit...: each scene's steps as lines of text, and its shortcut.
class ScenesDialog : public QDialog
{
    Q_OBJECT

public:
    // windowKeys: the keys the window answers to, which a scene cannot have.
    ScenesDialog(const Installation &installation, const QList<QKeySequence> &windowKeys,
                 QWidget *parent = nullptr);
    ~ScenesDialog() override;

    Installation installation() const { return m_installation; }

private:
    void showScene(int row);
    // The steps shown, kept into the scene they belong to; the reason when they are not sound.
    QString keepShown();
    void accept() override;

    Ui::ScenesDialog *ui;
    Installation m_installation;
    QList<QKeySequence> m_windowKeys;
    int m_shown = -1;
};
