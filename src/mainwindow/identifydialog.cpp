#include "mainwindow/identifydialog.h"

#include "command/commandpath.h"
#include "ui_identifydialog.h"

#include <QInputDialog>
#include <QPushButton>

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
