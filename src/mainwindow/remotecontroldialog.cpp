#include "mainwindow/remotecontroldialog.h"

#include "mainwindow/qrcode.h"
#include "ui_remotecontroldialog.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QRegularExpression>

RemoteControlDialog::RemoteControlDialog(const RemoteSettings &settings, const MqttSettings &mqtt,
                                         const WebSettings &web, const QString &token,
                                         QWidget *parent)
    : QDialog(parent), ui(new Ui::RemoteControlDialog), m_mqtt(mqtt), m_settings(settings),
      m_web(web), m_token(token)
{
    ui->setupUi(this);
    ui->groupBox_Web->setChecked(web.enabled);
    ui->spinBox_Web_Port->setValue(web.port);
    ui->lineEdit_Web_Allowed->setText(web.allowed.join(QLatin1Char(' ')));
    ui->groupBox_Mqtt->setChecked(mqtt.enabled);
    ui->lineEdit_Mqtt_Host->setText(mqtt.host);
    ui->spinBox_Mqtt_Port->setValue(mqtt.port);
    ui->lineEdit_Mqtt_Client->setText(mqtt.clientId);
    ui->lineEdit_Mqtt_User->setText(mqtt.username);
    ui->lineEdit_Mqtt_Password->setText(mqtt.password);
    ui->lineEdit_Mqtt_Ca->setText(mqtt.caFile);
    ui->lineEdit_Mqtt_Cert->setText(mqtt.certFile);
    ui->lineEdit_Mqtt_Key->setText(mqtt.keyFile);
    ui->lineEdit_Mqtt_Prefix->setText(mqtt.prefix);
    ui->lineEdit_Mqtt_Line->setText(mqtt.line);
    ui->checkBox_Mqtt_Discovery->setChecked(mqtt.discovery);
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
    connect(ui->groupBox_Web, &QGroupBox::toggled, this, &RemoteControlDialog::showPageAddress);
    connect(ui->spinBox_Web_Port, &QSpinBox::valueChanged, this,
            &RemoteControlDialog::showPageAddress);
    connect(ui->comboBox_Address, &QComboBox::currentTextChanged, this,
            &RemoteControlDialog::showPageAddress);
    showPageAddress();
}

void RemoteControlDialog::showPageAddress()
{
    WebSettings chosen = web();
    const QString url = WebServer::pageUrl(chosen, m_token, chosen.port);
    const QString refused = m_pageCheck && chosen.enabled ? m_pageCheck(chosen) : QString();
    chosen.enabled = chosen.enabled && refused.isEmpty();
    ui->label_Web_Url->setText(
        !refused.isEmpty() ? tr("The page cannot be served: %1").arg(refused)
        : !chosen.enabled  ? QString()
        : QHostAddress(chosen.address).isLoopback()
            ? tr("%1\nOnly this machine can open it: choose where to listen under Show "
                 "controllers.")
                  .arg(url)
            : url);
    ui->label_Web_Qr->setPixmap(chosen.enabled ? QrCode::pixmap(url, 3) : QPixmap());
    ui->label_Web_Qr->setAccessibleName(chosen.enabled ? tr("QR code of the page's address")
                                                       : QString());
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

void RemoteControlDialog::accept()
{
    const QString refused = m_trial ? m_trial(settings()) : QString();
    ui->label_Remote_Problem->setText(refused);
    if (refused.isEmpty())
        QDialog::accept();
}

MqttSettings RemoteControlDialog::mqtt() const
{
    MqttSettings chosen = m_mqtt;
    chosen.enabled = ui->groupBox_Mqtt->isChecked();
    chosen.host = ui->lineEdit_Mqtt_Host->text().trimmed();
    chosen.port = quint16(ui->spinBox_Mqtt_Port->value());
    chosen.clientId = ui->lineEdit_Mqtt_Client->text().trimmed();
    chosen.username = ui->lineEdit_Mqtt_User->text().trimmed();
    chosen.password = ui->lineEdit_Mqtt_Password->text();
    chosen.caFile = ui->lineEdit_Mqtt_Ca->text().trimmed();
    chosen.certFile = ui->lineEdit_Mqtt_Cert->text().trimmed();
    chosen.keyFile = ui->lineEdit_Mqtt_Key->text().trimmed();
    const QString prefix = ui->lineEdit_Mqtt_Prefix->text().trimmed();
    chosen.prefix = prefix.isEmpty() ? MqttSettings().prefix : prefix;
    chosen.line = ui->lineEdit_Mqtt_Line->text().trimmed();
    chosen.discovery = ui->checkBox_Mqtt_Discovery->isChecked();
    return chosen;
}

WebSettings RemoteControlDialog::web() const
{
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    WebSettings chosen = m_web;
    chosen.enabled = ui->groupBox_Web->isChecked();
    chosen.port = quint16(ui->spinBox_Web_Port->value());
    chosen.address = ui->comboBox_Address->currentText().trimmed();
    chosen.allowed = ui->lineEdit_Web_Allowed->text().split(separators, Qt::SkipEmptyParts);
    return chosen;
}

RemoteSettings RemoteControlDialog::settings() const
{
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    RemoteSettings chosen = m_settings;
    chosen.enabled = ui->checkBox_Remote_Enabled->isChecked();
    chosen.oscPort = quint16(ui->spinBox_Osc_Port->value());
    chosen.textPort = quint16(ui->spinBox_Text_Port->value());
    chosen.address = ui->comboBox_Address->currentText().trimmed();
    chosen.allowed = ui->lineEdit_Allowed->text().split(separators, Qt::SkipEmptyParts);
    return chosen;
}
