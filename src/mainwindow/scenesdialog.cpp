#include "mainwindow/scenesdialog.h"

#include "ui_scenesdialog.h"

#include <QInputDialog>
#include <QPushButton>

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
