#include "mainwindow/mainwindow.h"

#include "about/aboutwindows.h"
#include "about/supportlinks.h"
#include "command/commandlog.h"
#include "command/commandpath.h"
#include "mainwindow/buttonkeys.h"
#include "mainwindow/commandlogview.h"
#include "mainwindow/controlmanners.h"
#include "mainwindow/installationmenu.h"
#include "mainwindow/languageswitch.h"
#include "mainwindow/portchoice.h"
#include "mainwindow/remotecontrol.h"
#include "model/deviceprofile.h"
#include "process/constants.h"
#include "serial/lineholder.h"
#include "serial/seriallink.h"
#include "serial/serialport.h"
#include "storage/configfile.h"
#include "storage/settingsstore.h"
#include "storage/translations.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QDesktopServices>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>
#include <QTextStream>
#include <array>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), link(new SerialLink(serialPort, this)),
      commandPath(new CommandPath(link, this)), commandLog(new CommandLog(10000, this))
{
    commandPath->setLog(commandLog);
    ui->setupUi(this);
    languageSwitch =
        std::make_unique<LanguageSwitch>(ui->actionDefault, ui->actionEnglish, ui->actionFran_ais);
    // The ports were being gathered meanwhile, since the process started.
    portWatcher = new PortWatcher(this);
    Create_Parts();
    portChoice = new PortChoice(ui->comboBox_Serial_Port, ui->comboBox_Serial_Baudrate,
                                ui->checkBox_AutoConnect, portWatcher, link);
    lineHolder = portChoice->holder();
    remoteControl->follow(lineHolder);
    connect(lineHolder, &LineHolder::lost, this, &MainWindow::Report_Connection_Lost);
    connect(lineHolder, &LineHolder::opened, this, &MainWindow::Port_Back);
    connect(lineHolder, &LineHolder::refused, this, [this](const QString &, const QString &why) {
        Show_Status(tr("Open failed: %1").arg(why));
    });
    ControlManners::install(this, ui->centralWidget, ui->comboBox_Serial_Port, portWatcher);
    ControlManners::sizeByWidest({ui->comboBox_Folder, ui->comboBox_ID}, 3);

    Fill_Port_List();
    ui->comboBox_Device->addItems(DeviceProfiles::modelNames());
    ui->comboBox_Device->setCurrentIndex(0);
    Apply_Device_Profile(1);
    Update_Connection_Controls();
    ui->comboBox_ID->addItems(DeviceProfiles::numberItems(PlayerCommands::PlayerIdCount));

    Load_Configuration();
    Load_Language();
    setWindowTitle(QCoreApplication::applicationName());
    remoteControl->start();
    // Never another port than the saved one: while it is absent, wait for it. Its adapter may be
    // here already, under another name.
    if (const QString awaited = portChoice->awaited(); !awaited.isEmpty()) {
        Show_Status(tr("Waiting for %1").arg(awaited));
        portChoice->waitForSaved();
    } else if (ui->checkBox_AutoConnect->isChecked())
        on_pushButton_Open_clicked();
    Create_Shortcuts();
    // The scenes' keys come after the window's own, which they must leave to it.
    installationMenu->start();
}

MainWindow::~MainWindow()
{
    if (!settingsSaved)
        Save_Quietly();
    // The port and its lock go with the window, so that another user can open it next.
    link->close();
    delete ui;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    QString why;
    if (closingOnRequest)
        Save_Quietly();
    else if (!Save_Configuration(&why))
        QMessageBox::warning(
            this, tr("Settings not saved"),
            tr("Your settings could not be saved.\n%1\nThe file is left as it was.").arg(why));
    settingsSaved = true;
    QMainWindow::closeEvent(event);
}

void MainWindow::closeOnRequest()
{
    closingOnRequest = true;
    // An About window left open would keep the program running.
    if (close())
        QCoreApplication::quit();
}

bool MainWindow::Save_Quietly()
{
    QString why;
    const bool saved = Save_Configuration(&why);
    if (!saved)
        QTextStream(stderr) << tr("Settings not saved: %1").arg(why) << Qt::endl;
    return saved;
}

// Ctrl+0 to Ctrl+9 launch folders 0 to 9, Ctrl with Plus or Minus steps the volume, wherever the
// focus is in the window. These keys are fixed, whatever the language.
void MainWindow::Create_Shortcuts()
{
    using Slot = void (MainWindow::*)();
    const std::array<Slot, 10> folders{&MainWindow::Launch_Folder_0, &MainWindow::Launch_Folder_1,
                                       &MainWindow::Launch_Folder_2, &MainWindow::Launch_Folder_3,
                                       &MainWindow::Launch_Folder_4, &MainWindow::Launch_Folder_5,
                                       &MainWindow::Launch_Folder_6, &MainWindow::Launch_Folder_7,
                                       &MainWindow::Launch_Folder_8, &MainWindow::Launch_Folder_9};
    QList<std::pair<QList<QKeySequence>, Slot>> shortcuts;
    for (int digit = 0; digit < 10; ++digit)
        shortcuts.append({{QKeySequence(QStringLiteral("Ctrl+%1").arg(digit))}, folders[digit]});
    // Ctrl with the key that bears the plus, shifted or not.
    shortcuts.append(
        {{QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
         &MainWindow::Increase_Volume});
    shortcuts.append({{QKeySequence(Qt::CTRL | Qt::Key_Minus)}, &MainWindow::Decrease_Volume});
    for (const auto &[keys, slot] : shortcuts) {
        auto *action = new QAction(this);
        addAction(action);
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, slot);
    }
    // A button's keys act on every press, through window-wide actions.
    buttonKeys = std::make_unique<ButtonKeys>(
        this,
        QList<QAbstractButton *>{ui->pushButton_Play, ui->pushButton_Stop, ui->pushButton_Next,
                                 ui->pushButton_Previous, ui->pushButton_All_Max,
                                 ui->pushButton_All_Min},
        ui->pushButton_Play);
}

void MainWindow::Update_Connection_Controls()
{
    const bool open = link->isOpen();
    // Connect and Disconnect hand the focus to each other: a disabled button would pass it on
    // to whatever comes next in the Tab order.
    QPushButton *now = open ? ui->pushButton_Close : ui->pushButton_Open;
    QPushButton *before = open ? ui->pushButton_Open : ui->pushButton_Close;
    now->setEnabled(true);
    if (before->hasFocus())
        now->setFocus(Qt::OtherFocusReason);
    before->setEnabled(false);
    ui->comboBox_Serial_Port->setEnabled(!open);
    ui->comboBox_Serial_Baudrate->setEnabled(!open);
    ui->groupBox_Transport->setEnabled(open);
    ui->groupBox_Folder->setEnabled(open);
    ui->groupBox_Volume->setEnabled(open);
}

void MainWindow::Fill_Port_List()
{
    portChoice->show(portWatcher->ports());
}

// The port waited for is open: as it was, or the same adapter under another name.
void MainWindow::Port_Back(const QString &port, bool again, bool sameAdapter)
{
    portChoice->opened(port);
    Show_Status(sameAdapter ? (again ? tr("Reconnected: %1 (the same adapter)").arg(port)
                                     : tr("Open: %1 (the same adapter)").arg(port))
                            : (again ? tr("Reconnected") : tr("Open")));
    Update_Connection_Controls();
}

void MainWindow::on_pushButton_Open_clicked()
{
    const QString port = ui->comboBox_Serial_Port->currentText();
    if (link->open(port, ui->comboBox_Serial_Baudrate->currentText().toInt())) {
        Show_Status(tr("Open"));
        portChoice->opened(port);
        lineHolder->release();
    } else {
        Show_Status(tr("Open failed: %1")
                        .arg(port.isEmpty() ? tr("no serial port found") : link->errorString()));
    }
    Update_Connection_Controls();
}

void MainWindow::on_pushButton_Close_clicked()
{
    lineHolder->release();
    link->close();
    if (!link->isOpen())
        Show_Status(tr("Close"));
    Update_Connection_Controls();
}

// The window's parts with jobs of their own: the command log, a dock shown from View > Command
// Log; File > Remote Control..., where show controllers cue the players through the same command
// path as the window's own controls; the Installation menu, with the players' names, the scenes,
// Stop All and Identify.
void MainWindow::Create_Parts()
{
    commandLogView = new CommandLogView(commandLog, this, ui->menuHelp, ui->pushButton_All_Max);
    connect(commandLogView, &CommandLogView::status, this, &MainWindow::Set_Status_Line);
    remoteControl = new RemoteControl(commandPath, commandLog, ui->menuFile, ui->actionExit, this);
    connect(remoteControl, &RemoteControl::status, this, &MainWindow::Set_Status_Line);
    installationMenu = new InstallationMenu(commandPath, commandLog, this, commandLogView->menu(),
                                            ui->comboBox_ID);
    connect(installationMenu, &InstallationMenu::shown, this, &MainWindow::Show_Status);
    connect(installationMenu, &InstallationMenu::status, this, &MainWindow::Set_Status_Line);
    connect(installationMenu, &InstallationMenu::requested, this,
            &MainWindow::Update_Connection_Controls);
    remoteControl->follow(installationMenu->schedule());
}

// Every status passes here. The line announces itself to a screen reader (a label without a
// name of its own is named by its text, and says when that changes); the window's status bar,
// where screen readers look for a status on request, carries the same text as its name without
// showing it twice.
void MainWindow::Set_Status_Line(const QString &text)
{
    ui->label_Status->setText(text);
    ui->statusBar->setAccessibleName(text);
}

// The status line says what became of the connection; the log keeps a row of it.
void MainWindow::Show_Status(const QString &text)
{
    Set_Status_Line(text);
    commandLog->addEvent(text, QStringLiteral("window"));
}

void MainWindow::Report_Connection_Lost(const QString &port)
{
    Show_Status(tr("Connection lost"));
    portChoice->waitAgain(port);
    Update_Connection_Controls();
}

int MainWindow::Current_Player_ID() const
{
    return ui->comboBox_ID->currentText().toInt();
}

void MainWindow::Send_Command(const PlayerCommand &command)
{
    // The frame leaves first; the status line then says what became of it. A lost device has
    // already said so itself, and a closed port sends nothing and says nothing.
    const Reply reply = commandPath->request(Request::press(QStringLiteral("window"), command));
    if (reply.sent() || reply.reason == Reply::Reason::LineFull)
        Set_Status_Line(reply.echo + (reply.sent() ? QString() : tr(" (not sent)")));
    Update_Connection_Controls();
}

void MainWindow::Send_Transport(PlayerCommand::Kind kind)
{
    Send_Command({Current_Player_ID(), kind, 0});
}

void MainWindow::on_pushButton_Folder_Load_clicked()
{
    Send_Launch_Folder(Current_Player_ID(), ui->comboBox_Folder->currentText().toInt());
}

void MainWindow::Send_Launch_Folder(int aID, int aFolder)
{
    if (!link->isOpen())
        return;
    Send_Command({aID, PlayerCommand::Kind::Folder, aFolder});
}

void MainWindow::Show_Volume_Level()
{
    const QSlider *slider = ui->horizontalSlider_All;
    const QString level = Volume::labelText(slider->value(), slider->minimum(), tr("Mute"));
    ui->label_Volume_Value_All->setText(level);
    // The slider itself only knows a number; its description says the level as it is shown.
    ui->horizontalSlider_All->setAccessibleDescription(level);
}

void MainWindow::on_horizontalSlider_All_valueChanged(int value)
{
    Show_Volume_Level();
    Send_Command({Current_Player_ID(), PlayerCommand::Kind::Volume, value});
}

void MainWindow::on_pushButton_All_Min_clicked()
{
    ui->horizontalSlider_All->setValue(ui->horizontalSlider_All->minimum());
}

void MainWindow::on_pushButton_All_Max_clicked()
{
    ui->horizontalSlider_All->setValue(ui->horizontalSlider_All->maximum());
}

void MainWindow::Step_Volume(int step)
{
    QSlider *slider = ui->horizontalSlider_All;
    slider->setValue(qBound(slider->minimum(), slider->value() + step, slider->maximum()));
}

void MainWindow::Apply_Device_Profile(int model)
{
    if (!DeviceProfiles::isModel(model))
        return;
    const DeviceProfile &profile = DeviceProfiles::profile(model);
    commandPath->setModel(model);
    ui->comboBox_Folder->clear();
    ui->comboBox_Serial_Baudrate->clear();
    Set_Status_Line(QStringLiteral("..."));
    ui->comboBox_Folder->addItems(DeviceProfiles::numberItems(profile.folderCount));
    ui->comboBox_Serial_Baudrate->addItems(profile.baudRates);
    ui->comboBox_Serial_Baudrate->setCurrentIndex(profile.defaultBaudRate);
    ui->horizontalSlider_All->setMinimum(profile.volumeMinimum);
    ui->horizontalSlider_All->setMaximum(DeviceProfiles::VolumeMaximum);
}

void MainWindow::on_comboBox_Device_activated(int index)
{
    if (!DeviceProfiles::isModel(index + 1))
        return;
    on_pushButton_Close_clicked();
    Apply_Device_Profile(index + 1);
}

void MainWindow::on_actionExit_triggered()
{
    close();
}

void MainWindow::on_actionAbout_triggered()
{
    auto *about = new AboutWindows;
    about->Set_Information_Text();
    about->show();
}

void MainWindow::on_actionCorvane_Home_Page_triggered()
{
    QDesktopServices::openUrl(SupportLinks::homePage(QCoreApplication::organizationDomain()));
}

void MainWindow::on_actionContact_Technical_Support_triggered()
{
    const QString subject = tr("Subject: Corvane Support Request (From:") + QLatin1Char(' ') +
                            QCoreApplication::applicationName() + QLatin1String(" - ") +
                            QCoreApplication::applicationVersion() + QLatin1Char(')');
    QDesktopServices::openUrl(
        SupportLinks::supportMail(Tessary::SupportAddress, subject, tr("Here: your question...")));
}

void MainWindow::Load_Configuration()
{
    const std::optional<QString> text = SettingsStore::forApplication().read();
    if (!text)
        return;
    const std::optional<Configuration> saved = ConfigFile::parse(*text);
    if (!saved)
        return;

    // The profile comes first, so the rate is looked up among the saved model's own rates. The
    // model shown until now has just had its profile applied; applying it again would only
    // rebuild the same lists.
    const int shown = ui->comboBox_Device->currentIndex() + 1;
    selectSaved(ui->comboBox_Device, saved->device);
    const int model = ui->comboBox_Device->currentIndex() + 1;
    if (DeviceProfiles::isModel(model) && model != shown)
        Apply_Device_Profile(model);
    portChoice->restore(saved->serialPort);
    selectSaved(ui->comboBox_Serial_Baudrate, saved->baudrate);
    ui->checkBox_AutoConnect->setChecked(saved->autoConnect);
    languageSwitch->mark(saved->language);
    selectSaved(ui->comboBox_ID, saved->playerId);
}

bool MainWindow::Save_Configuration(QString *why)
{
    Configuration current;
    current.device = ui->comboBox_Device->currentText();
    current.serialPort = portChoice->toSave();
    current.baudrate = ui->comboBox_Serial_Baudrate->currentText();
    current.autoConnect = ui->checkBox_AutoConnect->isChecked();
    current.language = languageSwitch->marked();
    current.playerId = ui->comboBox_ID->currentText();
    return SettingsStore::forApplication().write(
        ConfigFile::format(current, QCoreApplication::applicationName(),
                           QCoreApplication::applicationVersion()),
        why);
}

bool MainWindow::Load_Language()
{
    const bool found = languageSwitch->load();
    ui->retranslateUi(this);
    ui->horizontalSlider_All->setAccessibleDescription(ui->label_Volume_Value_All->text());
    if (buttonKeys)
        buttonKeys->adopt();
    commandLogView->retranslate();
    remoteControl->retranslate();
    installationMenu->retranslate();
    return found;
}

void MainWindow::Choose_Language(Configuration::Language language)
{
    languageSwitch->mark(language);
    const bool found = Load_Language();
    // The form puts its design text back into the level label; show the real level again.
    Show_Volume_Level();
    if (!found && language == Configuration::Language::French)
        Set_Status_Line(tr("No French catalogue found; the texts stay in English"));
}

void MainWindow::on_actionFran_ais_triggered()
{
    Choose_Language(Configuration::Language::French);
}

void MainWindow::on_actionEnglish_triggered()
{
    Choose_Language(Configuration::Language::English);
}

void MainWindow::on_actionDefault_triggered()
{
    Choose_Language(Configuration::Language::Default);
}
