#pragma once

#include "configfile.h"
#include "installation.h"
#include "playercommand.h"
#include "portwatcher.h"

#include <QMainWindow>
#include <memory>

class CommandLog;
class CommandPath;
class InstallationMenu;
class LanguageSwitch;
class RemoteControl;
class CommandLogView;
class QAbstractButton;
class QAction;
class QMenu;
class SerialLink;
class LineHolder;

namespace Ui {
class MainWindow;
}

// The control panel: builds the window, keeps the controls in step with the serial link and
// turns every user action into a frame for the addressed player.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

public slots:
    // Closes as Ctrl+Q does, for a request from outside (a signal, the session's end): a save
    // that fails is said on standard error, since nobody may be there to answer a dialog.
    void closeOnRequest();

protected:
    // Saves the settings while the window can still say that they could not be.
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_pushButton_Play_clicked();
    void on_pushButton_Open_clicked();
    void on_pushButton_Close_clicked();
    void on_pushButton_Stop_clicked();
    void on_pushButton_Previous_clicked();
    void on_pushButton_Next_clicked();
    void on_pushButton_Folder_Load_clicked();
    void on_pushButton_All_Min_clicked();
    void on_horizontalSlider_All_valueChanged(int value);
    void on_pushButton_All_Max_clicked();
    void on_actionExit_triggered();
    void on_actionAbout_triggered();
    void on_actionCorvane_Home_Page_triggered();
    void on_actionContact_Technical_Support_triggered();
    void on_actionFran_ais_triggered();
    void on_actionEnglish_triggered();
    void on_actionDefault_triggered();
    void on_comboBox_Device_activated(int index);
    void Send_Launch_Folder(int aID, int aFolder);
    void Launch_Folder_0();
    void Launch_Folder_1();
    void Launch_Folder_2();
    void Launch_Folder_3();
    void Launch_Folder_4();
    void Launch_Folder_5();
    void Launch_Folder_6();
    void Launch_Folder_7();
    void Launch_Folder_8();
    void Launch_Folder_9();
    void Increase_Volume();
    void Decrease_Volume();

private:
    void Fill_Port_List();
    void Show_Ports(const QList<PortInfo> &ports);
    void Follow_Ports(const QList<PortInfo> &ports);
    void Port_Back(const QString &port, bool again, bool sameAdapter);
    void Apply_Device_Profile(int model);
    void Update_Connection_Controls();
    void Create_Shortcuts();
    void Adopt_Button_Shortcuts();
    void Send_Command(const PlayerCommand &command);
    void Send_Transport(PlayerCommand::Kind kind);
    int Current_Player_ID() const;
    void Show_Volume_Level();
    void Report_Connection_Lost(const QString &port);
    void Set_Status_Line(const QString &text);
    void Show_Status(const QString &text);
    void Create_Command_Log();
    void Create_Remote_Control();
    void Create_Installation_Menu();
    void Load_Configuration();
    bool Save_Configuration(QString *why = nullptr);
    bool Save_Quietly();
    void Save_Adapter(const QString &port);
    bool Load_Language();
    Configuration::Language Marked_Language() const;
    void Mark_Language(Configuration::Language language);
    void Choose_Language(Configuration::Language language);

    Ui::MainWindow *ui;
    SerialLink *link;
    CommandPath *commandPath;
    PortWatcher *portWatcher = nullptr;
    CommandLog *commandLog;
    CommandLogView *commandLogView = nullptr;
    RemoteControl *remoteControl = nullptr;
    InstallationMenu *installationMenu = nullptr;
    std::unique_ptr<LanguageSwitch> languageSwitch;
    // The port the user chose, or the saved one: it stays saved while its adapter is away,
    // until another is picked or opened.
    QString chosenPort;
    // The saved port, absent at start, and its adapter's own name: waited for with
    // Auto-connection, chosen in the list once it is there without.
    QString savedPort;
    QString savedAdapter;
    // Waits for the port, and opens it again after a loss.
    LineHolder *lineHolder = nullptr;
    // The buttons whose keys act through window-wide actions, one press one command.
    QList<std::pair<QAbstractButton *, QAction *>> buttonKeys;
    bool settingsSaved = false;
    bool closingOnRequest = false;
};
