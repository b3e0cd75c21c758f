#include "remotecontroldialog.h"

#include "ui_remotecontroldialog.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QRegularExpression>

RemoteControlDialog::RemoteControlDialog(const RemoteSettings &settings, QWidget *parent)
    : QDialog(parent), ui(new Ui::RemoteControlDialog)
{
    ui->setupUi(this);
    ui->checkBox_Remote_Enabled->setChecked(settings.enabled);
    ui->spinBox_Osc_Port->setValue(settings.oscPort);
    ui->spinBox_Text_Port->setValue(settings.textPort);
    // This machine only, every network, or one of this machine's own addresses.
    QStringList addresses{QStringLiteral("127.0.0.1"), QStringLiteral("0.0.0.0"),
                          QStringLiteral("::")};
    for (const QHostAddress &own : QNetworkInterface::allAddresses())
        if (!own.isLoopback() && !addresses.contains(own.toString()))
            addresses << own.toString();
    if (!addresses.contains(settings.address))
        addresses << settings.address;
    ui->comboBox_Address->addItems(addresses);
    ui->comboBox_Address->setCurrentText(settings.address);
    ui->lineEdit_Allowed->setText(settings.allowed.join(QLatin1Char(' ')));
    connect(ui->comboBox_Address, &QComboBox::currentTextChanged, this,
            &RemoteControlDialog::showWarning);
    showWarning();
}

RemoteControlDialog::~RemoteControlDialog()
{
    delete ui;
}

// Another address than this machine's own loopback opens the ports to the network.
void RemoteControlDialog::showWarning()
{
    ui->label_Address_Warning->setVisible(
        !QHostAddress(ui->comboBox_Address->currentText()).isLoopback());
}

RemoteSettings RemoteControlDialog::settings() const
{
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    RemoteSettings chosen;
    chosen.enabled = ui->checkBox_Remote_Enabled->isChecked();
    chosen.oscPort = quint16(ui->spinBox_Osc_Port->value());
    chosen.textPort = quint16(ui->spinBox_Text_Port->value());
    chosen.address = ui->comboBox_Address->currentText().trimmed();
    chosen.allowed = ui->lineEdit_Allowed->text().split(separators, Qt::SkipEmptyParts);
    return chosen;
}
