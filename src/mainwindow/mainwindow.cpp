#include "mainwindow.h"

#include "aboutwindows.h"
#include "commandlog.h"
#include "commandlogview.h"
#include "commandpath.h"
#include "configfile.h"
#include "constants.h"
#include "controlmanners.h"
#include "deviceprofile.h"
#include "installationmenu.h"
#include "languageswitch.h"
#include "lineholder.h"
#include "remotecontrol.h"
#include "seriallink.h"
#include "serialport.h"
#include "settingsstore.h"
#include "supportlinks.h"
#include "translations.h"
#include "ui_mainwindow.h"
#include "windowstate.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QLibraryInfo>
#include <QMenu>
#include <QMessageBox>
#include <QTextStream>
#include <QTranslator>
#include <algorithm>
#include <array>
#include <functional>

namespace {

constexpr int PlayerIdCount = 128;

QStringList playerIds()
{
    QStringList ids;
    for (int id = 0; id < PlayerIdCount; ++id)
        ids << QString::number(id);
    return ids;
}

QStringList itemTexts(const QComboBox *list)
{
    QStringList texts;
    texts.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

// Selects what a saved value names, as the settings file has always matched it.
void selectSaved(QComboBox *list, const QString &value)
{
    const int index = ConfigFile::matchListItem(itemTexts(list), value);
    if (index >= 0)
        list->setCurrentIndex(index);
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), link(new SerialLink(serialPort, this)),
      commandPath(new CommandPath(link, this)), commandLog(new CommandLog(10000, this)),
      languageSwitch(std::make_unique<LanguageSwitch>())
{
    commandPath->setLog(commandLog);
    ui->setupUi(this);
    // The ports were being gathered meanwhile, since the process started.
    portWatcher = new PortWatcher(this);
    Create_Command_Log();
    Create_Remote_Control();
    Create_Installation_Menu();
    connect(portWatcher, &PortWatcher::portsChanged, this, &MainWindow::Follow_Ports);
    // The list follows first; then the port waited for is opened from it.
    lineHolder = new LineHolder(link, portWatcher, 0, this);
    connect(lineHolder, &LineHolder::lost, this, &MainWindow::Report_Connection_Lost);
    connect(lineHolder, &LineHolder::opened, this, &MainWindow::Port_Back);
    connect(lineHolder, &LineHolder::refused, this, [this](const QString &, const QString &why) {
        Show_Status(tr("Open failed: %1").arg(why));
    });
    // Picking another port is not waiting for the one that is gone.
    connect(ui->comboBox_Serial_Port, &QComboBox::activated, this, [this] {
        chosenPort = ui->comboBox_Serial_Port->currentText();
        savedPort.clear();
        lineHolder->release();
    });
    // Auto-connection is what waits: ticked, the saved port is waited for; unticked, nothing is.
    connect(ui->checkBox_AutoConnect, &QCheckBox::clicked, this, [this](bool waiting) {
        if (!waiting)
            lineHolder->release();
        else if (!savedPort.isEmpty() && !link->isOpen())
            lineHolder->hold(savedPort, ui->comboBox_Serial_Baudrate->currentText().toInt(),
                             savedAdapter);
    });
    ControlManners::install(this, ui->centralWidget, ui->comboBox_Serial_Port, portWatcher);

    Fill_Port_List();
    ui->comboBox_Device->addItems(DeviceProfiles::modelNames());
    ui->comboBox_Device->setCurrentIndex(0);
    Apply_Device_Profile(1);
    Update_Connection_Controls();
    ui->comboBox_ID->addItems(playerIds());

    Load_Configuration();
    Load_Language();
    setWindowTitle(QCoreApplication::applicationName());
    remoteControl->start();
    // Never another port than the saved one: while it is absent, wait for it. Its adapter may be
    // here already, under another name.
    if (ui->checkBox_AutoConnect->isChecked() && !savedPort.isEmpty()) {
        Show_Status(tr("Waiting for %1").arg(savedPort));
        lineHolder->hold(savedPort, ui->comboBox_Serial_Baudrate->currentText().toInt(),
                         savedAdapter);
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
    const std::array<std::pair<QList<QKeySequence>, Slot>, 12> shortcuts{{
        {{QKeySequence(QStringLiteral("Ctrl+0"))}, &MainWindow::Launch_Folder_0},
        {{QKeySequence(QStringLiteral("Ctrl+1"))}, &MainWindow::Launch_Folder_1},
        {{QKeySequence(QStringLiteral("Ctrl+2"))}, &MainWindow::Launch_Folder_2},
        {{QKeySequence(QStringLiteral("Ctrl+3"))}, &MainWindow::Launch_Folder_3},
        {{QKeySequence(QStringLiteral("Ctrl+4"))}, &MainWindow::Launch_Folder_4},
        {{QKeySequence(QStringLiteral("Ctrl+5"))}, &MainWindow::Launch_Folder_5},
        {{QKeySequence(QStringLiteral("Ctrl+6"))}, &MainWindow::Launch_Folder_6},
        {{QKeySequence(QStringLiteral("Ctrl+7"))}, &MainWindow::Launch_Folder_7},
        {{QKeySequence(QStringLiteral("Ctrl+8"))}, &MainWindow::Launch_Folder_8},
        {{QKeySequence(QStringLiteral("Ctrl+9"))}, &MainWindow::Launch_Folder_9},
        // Ctrl with the key that bears the plus, shifted or not.
        {{QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
         &MainWindow::Increase_Volume},
        {{QKeySequence(Qt::CTRL | Qt::Key_Minus)}, &MainWindow::Decrease_Volume},
    }};
    for (const auto &[keys, slot] : shortcuts) {
        auto *action = new QAction(this);
        addAction(action);
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, slot);
    }
    for (QAbstractButton *button : std::initializer_list<QAbstractButton *>{
             ui->pushButton_Play, ui->pushButton_Stop, ui->pushButton_Next, ui->pushButton_Previous,
             ui->pushButton_All_Max, ui->pushButton_All_Min}) {
        auto *action = new QAction(this);
        addAction(action);
        // A click, not the slot: a disabled button ignores its keys as it ignores the mouse.
        connect(action, &QAction::triggered, button, &QAbstractButton::click);
        buttonKeys.append({button, action});
    }
    Adopt_Button_Shortcuts();
}

// A button's own shortcut animates a click and ignores the presses that come while it runs, so
// fast presses were lost. Its keys move to a window-wide action, which acts on every press; the
// tooltip names them. Done again whenever the form has put its texts and keys back.
void MainWindow::Adopt_Button_Shortcuts()
{
    for (const auto &[button, action] : std::as_const(buttonKeys)) {
        QList<QKeySequence> keys{button->shortcut()};
        if (button == ui->pushButton_Play)
            keys << QKeySequence(Qt::CTRL | Qt::Key_Enter); // the keypad's Enter
        if (keys.first().isEmpty())
            continue;
        action->setShortcuts(keys);
        button->setShortcut(QKeySequence());
        button->setToolTip(
            tr("%1 (%2)").arg(button->toolTip(), keys.first().toString(QKeySequence::NativeText)));
        // A screen reader says the name, then this: what the button does and its key.
        button->setAccessibleDescription(button->toolTip());
    }
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

// --- Serial link -------------------------------------------------------------------------------

void MainWindow::Fill_Port_List()
{
    Show_Ports(portWatcher->ports());
}

// The ports as listed now, each with what the system knows of it in its tooltip. The choice
// stays where it was while that port is still there.
void MainWindow::Show_Ports(const QList<PortInfo> &ports)
{
    QComboBox *list = ui->comboBox_Serial_Port;
    QStringList names;
    for (const PortInfo &port : ports)
        names << port.name;
    if (names != itemTexts(list)) {
        const QString current = list->currentText();
        list->clear();
        list->addItems(names);
        list->setCurrentIndex(names.isEmpty() ? -1 : qMax(0, names.indexOf(current)));
    }
    for (int i = 0; i < ports.size(); ++i)
        list->setItemData(i, ports[i].details(), Qt::ToolTipRole);
}

// A port came or went. While the port is open the list stays as it is. While it is closed, the
// list follows; the saved port, without Auto-connection, is chosen in it once it is there.
void MainWindow::Follow_Ports(const QList<PortInfo> &ports)
{
    if (link->isOpen())
        return;
    Show_Ports(ports);
    if (!savedPort.isEmpty() && !ui->checkBox_AutoConnect->isChecked() &&
        ui->comboBox_Serial_Port->findText(savedPort) >= 0) {
        ui->comboBox_Serial_Port->setCurrentIndex(ui->comboBox_Serial_Port->findText(savedPort));
        savedPort.clear();
    }
}

// The port waited for is open: as it was, or the same adapter under another name.
void MainWindow::Port_Back(const QString &port, bool again, bool sameAdapter)
{
    ui->comboBox_Serial_Port->setCurrentIndex(ui->comboBox_Serial_Port->findText(port));
    chosenPort = port;
    savedPort.clear();
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
        chosenPort = port;
        savedPort.clear();
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

// A dock under the window, shown from View > Command Log, hidden at first.
void MainWindow::Create_Command_Log()
{
    commandLogView = new CommandLogView(commandLog, this, ui->menuHelp, ui->pushButton_All_Max);
    connect(commandLogView, &CommandLogView::status, this, &MainWindow::Set_Status_Line);
}

// File > Remote Control...: show controllers on the network cue the players through the same
// command path as the window's own controls.
void MainWindow::Create_Remote_Control()
{
    remoteControl = new RemoteControl(commandPath, commandLog, ui->menuFile, ui->actionExit, this);
    connect(remoteControl, &RemoteControl::status, this, &MainWindow::Set_Status_Line);
}

// Installation: the players' names, the scenes, Stop All and Identify, in a menu of their own.
void MainWindow::Create_Installation_Menu()
{
    installationMenu = new InstallationMenu(commandPath, commandLog, this, commandLogView->menu(),
                                            ui->comboBox_ID);
    connect(installationMenu, &InstallationMenu::shown, this, &MainWindow::Show_Status);
    connect(installationMenu, &InstallationMenu::status, this, &MainWindow::Set_Status_Line);
    connect(installationMenu, &InstallationMenu::requested, this,
            &MainWindow::Update_Connection_Controls);
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
    // With Auto-connection, the same port (or the same adapter) is opened again once it is back.
    if (ui->checkBox_AutoConnect->isChecked())
        lineHolder->hold(port, ui->comboBox_Serial_Baudrate->currentText().toInt(),
                         lineHolder->adapter(), true);
    Show_Ports(portWatcher->ports());
    Update_Connection_Controls();
}

// --- Commands ----------------------------------------------------------------------------------

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

void MainWindow::on_pushButton_Play_clicked()
{
    Send_Transport(PlayerCommand::Kind::Play);
}

void MainWindow::on_pushButton_Stop_clicked()
{
    Send_Transport(PlayerCommand::Kind::Stop);
}

void MainWindow::on_pushButton_Next_clicked()
{
    Send_Transport(PlayerCommand::Kind::Next);
}

void MainWindow::on_pushButton_Previous_clicked()
{
    Send_Transport(PlayerCommand::Kind::Previous);
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

void MainWindow::Launch_Folder_0()
{
    Send_Launch_Folder(Current_Player_ID(), 0);
}

void MainWindow::Launch_Folder_1()
{
    Send_Launch_Folder(Current_Player_ID(), 1);
}

void MainWindow::Launch_Folder_2()
{
    Send_Launch_Folder(Current_Player_ID(), 2);
}

void MainWindow::Launch_Folder_3()
{
    Send_Launch_Folder(Current_Player_ID(), 3);
}

void MainWindow::Launch_Folder_4()
{
    Send_Launch_Folder(Current_Player_ID(), 4);
}

void MainWindow::Launch_Folder_5()
{
    Send_Launch_Folder(Current_Player_ID(), 5);
}

void MainWindow::Launch_Folder_6()
{
    Send_Launch_Folder(Current_Player_ID(), 6);
}

void MainWindow::Launch_Folder_7()
{
    Send_Launch_Folder(Current_Player_ID(), 7);
}

void MainWindow::Launch_Folder_8()
{
    Send_Launch_Folder(Current_Player_ID(), 8);
}

void MainWindow::Launch_Folder_9()
{
    Send_Launch_Folder(Current_Player_ID(), 9);
}

// --- Volume ------------------------------------------------------------------------------------

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

void MainWindow::Increase_Volume()
{
    QSlider *slider = ui->horizontalSlider_All;
    slider->setValue(qMin(slider->value() + 1, slider->maximum()));
}

void MainWindow::Decrease_Volume()
{
    QSlider *slider = ui->horizontalSlider_All;
    slider->setValue(qMax(slider->value() - 1, slider->minimum()));
}

// --- Device profiles ---------------------------------------------------------------------------

void MainWindow::Apply_Device_Profile(int model)
{
    if (!DeviceProfiles::isModel(model))
        return;
    const DeviceProfile &profile = DeviceProfiles::profile(model);
    commandPath->setModel(model);
    ui->comboBox_Folder->clear();
    ui->comboBox_Serial_Baudrate->clear();
    Set_Status_Line(QStringLiteral("..."));
    ui->comboBox_Folder->addItems(DeviceProfiles::folderItems(profile.folderCount));
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

// --- Window and menus --------------------------------------------------------------------------

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

// --- Settings and language ---------------------------------------------------------------------

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
    selectSaved(ui->comboBox_Serial_Port, saved->serialPort);
    chosenPort = saved->serialPort;
    if (ui->comboBox_Serial_Port->findText(saved->serialPort) < 0)
        savedPort = saved->serialPort;
    // The adapter the saved port was last time, should it come back under another number.
    if (WindowState::kept(QStringLiteral("adapter/port")).toString() == saved->serialPort)
        savedAdapter = WindowState::kept(QStringLiteral("adapter/name")).toString();
    selectSaved(ui->comboBox_Serial_Baudrate, saved->baudrate);
    ui->checkBox_AutoConnect->setChecked(saved->autoConnect);
    Mark_Language(saved->language);
    selectSaved(ui->comboBox_ID, saved->playerId);
}

bool MainWindow::Save_Configuration(QString *why)
{
    Configuration current;
    current.device = ui->comboBox_Device->currentText();
    // The port chosen stays saved while its adapter is away, until another is picked.
    current.serialPort =
        chosenPort.isEmpty() ? ui->comboBox_Serial_Port->currentText() : chosenPort;
    Save_Adapter(current.serialPort);
    current.baudrate = ui->comboBox_Serial_Baudrate->currentText();
    current.autoConnect = ui->checkBox_AutoConnect->isChecked();
    current.language = Marked_Language();
    current.playerId = ui->comboBox_ID->currentText();
    return SettingsStore::forApplication().write(
        ConfigFile::format(current, QCoreApplication::applicationName(),
                           QCoreApplication::applicationVersion()),
        why);
}

// Which adapter the saved port is, when the system knows it by a name of its own: kept only
// while that port is listed, written only when it changed.
void MainWindow::Save_Adapter(const QString &port)
{
    const QList<PortInfo> listed = portWatcher->ports();
    const auto info = std::find_if(listed.cbegin(), listed.cend(),
                                   [&port](const PortInfo &info) { return info.name == port; });
    if (info == listed.cend() ||
        (WindowState::kept(QStringLiteral("adapter/port")).toString() == port &&
         WindowState::kept(QStringLiteral("adapter/name")).toString() == info->stableName))
        return;
    WindowState::keep({{QStringLiteral("adapter/port"), port},
                       {QStringLiteral("adapter/name"), info->stableName}});
}

Configuration::Language MainWindow::Marked_Language() const
{
    // French is looked at last and wins, should both ever be marked.
    if (ui->actionFran_ais->isChecked())
        return Configuration::Language::French;
    if (ui->actionEnglish->isChecked())
        return Configuration::Language::English;
    return Configuration::Language::Default;
}

void MainWindow::Mark_Language(Configuration::Language language)
{
    ui->actionDefault->setChecked(language == Configuration::Language::Default);
    ui->actionEnglish->setChecked(language == Configuration::Language::English);
    ui->actionFran_ais->setChecked(language == Configuration::Language::French);
}

bool MainWindow::Load_Language()
{
    const bool found = languageSwitch->load(Marked_Language());
    ui->retranslateUi(this);
    ui->horizontalSlider_All->setAccessibleDescription(ui->label_Volume_Value_All->text());
    Adopt_Button_Shortcuts();
    commandLogView->retranslate();
    remoteControl->retranslate();
    installationMenu->retranslate();
    return found;
}

void MainWindow::Choose_Language(Configuration::Language language)
{
    Mark_Language(language);
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
