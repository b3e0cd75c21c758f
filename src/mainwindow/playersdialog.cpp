#include "mainwindow/playersdialog.h"

#include "ui_playersdialog.h"

#include <QPushButton>
#include <QSpinBox>

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
