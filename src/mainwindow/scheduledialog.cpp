#include "mainwindow/scheduledialog.h"

#include "command/schedulerunner.h"
#include "ui_scheduledialog.h"

#include <QPushButton>

ScheduleDialog::ScheduleDialog(const Installation &installation, ScheduleRunner *runner,
                               const QString &runs, QWidget *parent)
    : QDialog(parent), ui(new Ui::ScheduleDialog), m_installation(installation), m_runner(runner)
{
    ui->setupUi(this);
    ui->label_Schedule_Runner->setText(runs);
    ui->plainTextEdit_Schedule_Lines->setPlainText(installation.scheduleText());
    ui->pushButton_Schedule_Hold->setEnabled(runner->isRunning());
    ui->pushButton_Schedule_Skip->setEnabled(runner->isRunning());
    connect(ui->pushButton_Schedule_Hold, &QPushButton::clicked, this, [this](bool hold) {
        hold ? m_runner->holdToday(tr("window")) : m_runner->resume(tr("window"));
    });
    connect(ui->pushButton_Schedule_Skip, &QPushButton::clicked, this,
            [this] { m_runner->skipNext(tr("window")); });
    connect(runner, &ScheduleRunner::nextChanged, this, &ScheduleDialog::showCues);
    showCues();
}

ScheduleDialog::~ScheduleDialog()
{
    delete ui;
}

// Today's cues on the clock of the place, those behind us marked; the next as the runner sees
// it, held and skipped ones left out.
void ScheduleDialog::showCues()
{
    const Schedule &schedule =
        m_runner->isRunning() ? m_runner->schedule() : m_installation.schedule();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    ui->listWidget_Schedule_Today->clear();
    const QDate today = now.toTimeZone(schedule.zone()).date();
    if (schedule.closedOn(today))
        ui->listWidget_Schedule_Today->addItem(tr("Closed today"));
    for (const Schedule::Due &due : schedule.on(today))
        ui->listWidget_Schedule_Today->addItem(
            (due.at <= now              ? tr("%1 %2 (past)")
             : m_runner->isSkipped(due) ? tr("%1 %2 (to be skipped)")
                                        : tr("%1 %2"))
                .arg(due.label().mid(4), schedule.cues().value(due.cue).words));
    std::optional<Schedule::Due> next =
        m_runner->isRunning() ? m_runner->next() : schedule.between(now, now.addDays(8)).value(0);
    ui->label_Schedule_Next->setText(
        next && next->at.isValid()
            ? tr("Next: %1 on %2").arg(schedule.cues().value(next->cue).words, next->label())
            : tr("No cue in the next 8 days"));
    ui->pushButton_Schedule_Hold->setChecked(m_runner->heldToday());
}

void ScheduleDialog::accept()
{
    const QString why = m_installation.setSchedule(ui->plainTextEdit_Schedule_Lines->toPlainText());
    ui->label_Schedule_Problem->setText(why);
    if (why.isEmpty())
        QDialog::accept();
}
