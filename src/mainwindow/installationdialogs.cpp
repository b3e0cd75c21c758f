#include "mainwindow/installationdialogs.h"

#include "command/commandpath.h"
#include "command/schedulerunner.h"
#include "ui_identifydialog.h"
#include "ui_playersdialog.h"
#include "ui_scenesdialog.h"
#include "ui_scheduledialog.h"

#include <QInputDialog>
#include <QPushButton>
#include <QSpinBox>

// --- Players ------------------------------------------------------------------------------------

PlayersDialog::PlayersDialog(const Installation &installation, QWidget *parent)
    : QDialog(parent), ui(new Ui::PlayersDialog), m_installation(installation)
{
    ui->setupUi(this);
    for (const Installation::Player &player : installation.players())
        addRow(player.id, player.name);
    connect(ui->pushButton_Player_Add, &QPushButton::clicked, this, [this] {
        // The first ID not listed yet.
        int id = 0;
        while (id < PlayerCommands::PlayerIdCount - 1 && !m_installation.nameOf(id).isEmpty())
            ++id;
        addRow(id, QString());
        ui->tableWidget_Players->editItem(
            ui->tableWidget_Players->item(ui->tableWidget_Players->rowCount() - 1, 1));
    });
    connect(ui->pushButton_Player_Remove, &QPushButton::clicked, this,
            [this] { ui->tableWidget_Players->removeRow(ui->tableWidget_Players->currentRow()); });
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &PlayersDialog::accept);
}

PlayersDialog::~PlayersDialog()
{
    delete ui;
}

void PlayersDialog::addRow(int id, const QString &name)
{
    QTableWidget *table = ui->tableWidget_Players;
    const int row = table->rowCount();
    table->insertRow(row);
    auto *ids = new QSpinBox(table);
    ids->setRange(0, PlayerCommands::PlayerIdCount - 1);
    ids->setValue(id);
    table->setCellWidget(row, 0, ids);
    table->setItem(row, 1, new QTableWidgetItem(name));
}

void PlayersDialog::accept()
{
    Installation edited = m_installation;
    for (const Installation::Player &player : m_installation.players())
        edited.removePlayer(player.id);
    QTableWidget *table = ui->tableWidget_Players;
    for (int row = 0; row < table->rowCount(); ++row) {
        const int id = static_cast<QSpinBox *>(table->cellWidget(row, 0))->value();
        const QString name = table->item(row, 1) ? table->item(row, 1)->text() : QString();
        QString refused = !edited.nameOf(id).isEmpty() ? tr("ID %1 is listed twice").arg(id)
                                                       : edited.setPlayer(id, name);
        if (!refused.isEmpty()) {
            ui->label_Players_Problem->setText(tr("Row %1: %2").arg(row + 1).arg(refused));
            table->setCurrentCell(row, 1);
            return;
        }
    }
    m_installation = edited;
    QDialog::accept();
}

// --- Scenes -------------------------------------------------------------------------------------

namespace {

// A scene's steps as the file writes them, without its header.
QString stepsText(const Installation &installation, const Installation::Scene &scene)
{
    Installation alone;
    for (const Installation::Player &player : installation.players())
        alone.setPlayer(player.id, player.name);
    Installation::Scene bare = scene;
    bare.shortcut.clear();
    alone.setScene(bare);
    return alone.format().section(QStringLiteral("]\n"), -1);
}

} // namespace

ScenesDialog::ScenesDialog(const Installation &installation, const QList<QKeySequence> &windowKeys,
                           QWidget *parent)
    : QDialog(parent), ui(new Ui::ScenesDialog), m_installation(installation),
      m_windowKeys(windowKeys)
{
    ui->setupUi(this);
    for (const Installation::Scene &scene : installation.scenes())
        ui->listWidget_Scenes->addItem(scene.name);
    connect(ui->listWidget_Scenes, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row == m_shown)
            return;
        const QString why = keepShown();
        if (!why.isEmpty()) {
            ui->listWidget_Scenes->setCurrentRow(m_shown);
            return;
        }
        showScene(row);
    });
    connect(ui->pushButton_Scene_Add, &QPushButton::clicked, this, [this] {
        const QString name = QInputDialog::getText(this, tr("New scene"), tr("Name:"));
        Installation::Scene scene;
        scene.name = name.simplified();
        const QString refused =
            keepShown().isEmpty() && !scene.name.isEmpty()
                ? (m_installation.scene(scene.name) ? tr("a scene of that name is there already")
                                                    : m_installation.setScene(scene))
                : QString();
        if (!refused.isEmpty() || scene.name.isEmpty()) {
            ui->label_Scene_Problem->setText(refused);
            return;
        }
        ui->listWidget_Scenes->addItem(scene.name);
        ui->listWidget_Scenes->setCurrentRow(ui->listWidget_Scenes->count() - 1);
    });
    connect(ui->pushButton_Scene_Remove, &QPushButton::clicked, this, [this] {
        const int row = ui->listWidget_Scenes->currentRow();
        if (row < 0)
            return;
        m_installation.removeScene(ui->listWidget_Scenes->item(row)->text());
        m_shown = -1;
        delete ui->listWidget_Scenes->takeItem(row);
        showScene(ui->listWidget_Scenes->currentRow());
    });
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &ScenesDialog::accept);
    ui->listWidget_Scenes->setCurrentRow(0);
    showScene(ui->listWidget_Scenes->currentRow());
}

ScenesDialog::~ScenesDialog()
{
    delete ui;
}

void ScenesDialog::showScene(int row)
{
    m_shown = row;
    const Installation::Scene *scene =
        row < 0 ? nullptr : m_installation.scene(ui->listWidget_Scenes->item(row)->text());
    ui->plainTextEdit_Scene_Steps->setEnabled(scene);
    ui->keySequenceEdit_Scene_Shortcut->setEnabled(scene);
    ui->plainTextEdit_Scene_Steps->setPlainText(scene ? stepsText(m_installation, *scene)
                                                      : QString());
    ui->keySequenceEdit_Scene_Shortcut->setKeySequence(
        QKeySequence(scene ? scene->shortcut : QString(), QKeySequence::PortableText));
    ui->label_Scene_Problem->clear();
}

QString ScenesDialog::keepShown()
{
    if (m_shown < 0)
        return {};
    const QString name = ui->listWidget_Scenes->item(m_shown)->text();
    Installation players;
    for (const Installation::Player &player : m_installation.players())
        players.setPlayer(player.id, player.name);
    const Installation read =
        Installation::parse(players.format() + QStringLiteral("\n[scene %1]\n").arg(name) +
                            ui->plainTextEdit_Scene_Steps->toPlainText());
    const Installation::Scene *scene = read.scene(name);
    if (!scene) {
        // The lines of the file before the steps are not the user's: count from the steps.
        const int before = int(players.format().count(u'\n')) + 2;
        QString why = read.problems().value(0);
        const qsizetype at = why.indexOf(QLatin1String(": line "));
        why = at < 0 ? why
                     : tr("line %1: %2")
                           .arg(why.mid(at + 7).section(u':', 0, 0).toInt() - before)
                           .arg(why.mid(at + 7).section(u':', 1).trimmed());
        ui->label_Scene_Problem->setText(why);
        return why;
    }
    // A key that two actions answer to runs neither.
    const QKeySequence keys = ui->keySequenceEdit_Scene_Shortcut->keySequence();
    const QString key = keys.toString(QKeySequence::NativeText);
    QString taken;
    if (!keys.isEmpty() && m_windowKeys.contains(keys))
        taken = tr("%1 is a key of the window already").arg(key);
    for (const Installation::Scene &other : m_installation.scenes())
        if (!keys.isEmpty() && taken.isEmpty() &&
            QKeySequence(other.shortcut, QKeySequence::PortableText) == keys &&
            other.name.compare(name, Qt::CaseInsensitive) != 0)
            taken = tr("%1 is the shortcut of scene %2 already").arg(key, other.name);
    if (!taken.isEmpty()) {
        ui->label_Scene_Problem->setText(taken);
        return taken;
    }
    Installation::Scene kept = *scene;
    kept.shortcut = keys.toString(QKeySequence::PortableText);
    m_installation.setScene(kept);
    ui->label_Scene_Problem->clear();
    return {};
}

void ScenesDialog::accept()
{
    if (keepShown().isEmpty())
        QDialog::accept();
}

// --- Schedule ---------------------------------------------------------------------------------

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
    for (const Schedule::Due &due : schedule.on(now.toTimeZone(schedule.zone()).date()))
        ui->listWidget_Schedule_Today->addItem(
            (due.at <= now ? tr("%1 %2 (past)") : tr("%1 %2"))
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

// --- Identify -----------------------------------------------------------------------------------

IdentifyDialog::IdentifyDialog(CommandPath *path, QWidget *parent)
    : QDialog(parent), ui(new Ui::IdentifyDialog), m_path(path),
      m_installation(path->installation())
{
    ui->setupUi(this);
    ui->spinBox_Identify_Folder->setMaximum(DeviceProfiles::profile(path->model()).folderCount - 1);
    m_pause.setSingleShot(true);
    connect(&m_pause, &QTimer::timeout, this, &IdentifyDialog::next);
    connect(ui->pushButton_Identify_Start, &QPushButton::clicked, this,
            [this] { m_at < 0 ? start() : stop(); });
    connect(ui->pushButton_Identify_Found, &QPushButton::clicked, this, &IdentifyDialog::found);
    connect(this, &QDialog::finished, this, &IdentifyDialog::stop);
}

IdentifyDialog::~IdentifyDialog()
{
    delete ui;
}

void IdentifyDialog::start()
{
    m_ids.clear();
    for (const Installation::Player &player : m_installation.players())
        m_ids << player.id;
    if (m_ids.isEmpty())
        for (int id = 0; id < PlayerCommands::PlayerIdCount; ++id)
            m_ids << id;
    m_at = -1;
    ui->pushButton_Identify_Start->setText(tr("&Stop"));
    ui->pushButton_Identify_Found->setEnabled(true);
    next();
}

void IdentifyDialog::stop()
{
    if (m_at >= 0 && m_at < m_ids.size())
        m_path->request(
            Request::press(tr("Identify"), {m_ids[m_at], PlayerCommand::Kind::Stop, 0}));
    m_pause.stop();
    m_at = -1;
    ui->pushButton_Identify_Start->setText(tr("&Start"));
    ui->pushButton_Identify_Found->setEnabled(false);
    ui->label_Identify_Now->setText(tr("Stopped"));
}

// The player before falls silent, the next one plays the folder.
void IdentifyDialog::next()
{
    if (m_at >= 0)
        m_path->request(
            Request::press(tr("Identify"), {m_ids[m_at], PlayerCommand::Kind::Stop, 0}));
    if (++m_at >= m_ids.size()) {
        stop();
        ui->label_Identify_Now->setText(tr("Every player was tried"));
        return;
    }
    const int id = m_ids[m_at];
    const Reply reply = m_path->request(Request::press(
        tr("Identify"), {id, PlayerCommand::Kind::Folder, ui->spinBox_Identify_Folder->value()}));
    if (!reply.sent()) {
        stop();
        ui->label_Identify_Now->setText(tr("ID %1: not sent, %2").arg(id).arg(reply.why()));
        return;
    }
    const QString name = m_installation.nameOf(id);
    ui->label_Identify_Now->setText(name.isEmpty() ? tr("Playing on ID %1").arg(id)
                                                   : tr("Playing on ID %1, %2").arg(id).arg(name));
    m_pause.start(ui->spinBox_Identify_Pause->value() * 1000);
}

void IdentifyDialog::found()
{
    if (m_at < 0)
        return;
    const int id = m_ids[m_at];
    m_pause.stop();
    bool given = false;
    const QString name =
        QInputDialog::getText(this, tr("Found"), tr("Name of player %1:").arg(id),
                              QLineEdit::Normal, m_installation.nameOf(id), &given);
    const QString refused = given ? m_installation.setPlayer(id, name) : QString();
    ui->label_Identify_Now->setText(refused.isEmpty() ? tr("ID %1 named").arg(id) : refused);
    m_pause.start(ui->spinBox_Identify_Pause->value() * 1000);
}
