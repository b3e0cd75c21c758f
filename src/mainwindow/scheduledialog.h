#pragma once

#include "model/installation.h"

#include <QDialog>

class ScheduleRunner;

namespace Ui {
class ScheduleDialog;
} // namespace Ui

// Installation > Schedule...: who runs the schedule, today's cues and the next, held for the
// day or the next skipped at once; the schedule's lines edited as text, checked as the file's.
class ScheduleDialog : public QDialog
{
    Q_OBJECT

public:
    // runner: the window's, steered only while it runs; runs: who runs the schedule, said.
    ScheduleDialog(const Installation &installation, ScheduleRunner *runner, const QString &runs,
                   QWidget *parent = nullptr);
    ~ScheduleDialog() override;

    Installation installation() const { return m_installation; }

private:
    void showCues();
    void accept() override;

    Ui::ScheduleDialog *ui;
    Installation m_installation;
    ScheduleRunner *m_runner;
};
