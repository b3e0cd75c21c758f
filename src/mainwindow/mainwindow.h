#pragma once

#include "model/installation.h"
#include "model/playercommand.h"
#include "serial/portwatcher.h"
#include "storage/configfile.h"

#include <QMainWindow>
#include <memory>

class ButtonKeys;
class CommandLog;
class CommandPath;
class InstallationMenu;
class LanguageSwitch;
class RemoteControl;
class CommandLogView;
class PortChoice;
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
    void on_pushButton_Play_clicked() { Send_Transport(PlayerCommand::Kind::Play); }
    void on_pushButton_Open_clicked();
    void on_pushButton_Close_clicked();
    void on_pushButton_Stop_clicked() { Send_Transport(PlayerCommand::Kind::Stop); }
    void on_pushButton_Previous_clicked() { Send_Transport(PlayerCommand::Kind::Previous); }
    void on_pushButton_Next_clicked() { Send_Transport(PlayerCommand::Kind::Next); }
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
    // Ctrl+0 to Ctrl+9: that folder of the player shown.
    void Launch_Folder_0() { Send_Launch_Folder(Current_Player_ID(), 0); }
    void Launch_Folder_1() { Send_Launch_Folder(Current_Player_ID(), 1); }
    void Launch_Folder_2() { Send_Launch_Folder(Current_Player_ID(), 2); }
    void Launch_Folder_3() { Send_Launch_Folder(Current_Player_ID(), 3); }
    void Launch_Folder_4() { Send_Launch_Folder(Current_Player_ID(), 4); }
    void Launch_Folder_5() { Send_Launch_Folder(Current_Player_ID(), 5); }
    void Launch_Folder_6() { Send_Launch_Folder(Current_Player_ID(), 6); }
    void Launch_Folder_7() { Send_Launch_Folder(Current_Player_ID(), 7); }
    void Launch_Folder_8() { Send_Launch_Folder(Current_Player_ID(), 8); }
    void Launch_Folder_9() { Send_Launch_Folder(Current_Player_ID(), 9); }
    void Increase_Volume() { Step_Volume(1); }
    void Decrease_Volume() { Step_Volume(-1); }

private:
    void Fill_Port_List();
    void Port_Back(const QString &port, bool again, bool sameAdapter);
    void Apply_Device_Profile(int model);
    void Update_Connection_Controls();
    void Create_Shortcuts();
    void Send_Command(const PlayerCommand &command);
    void Send_Transport(PlayerCommand::Kind kind);
    int Current_Player_ID() const;
    void Show_Volume_Level();
    void Report_Connection_Lost(const QString &port);
    void Set_Status_Line(const QString &text);
    void Show_Status(const QString &text);
    void Create_Parts();
    void Step_Volume(int step);
    void Load_Configuration();
    bool Save_Configuration(QString *why = nullptr);
    bool Save_Quietly();
    bool Load_Language();
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
    // Which port is meant, and the waiting for it.
    PortChoice *portChoice = nullptr;
    LineHolder *lineHolder = nullptr;
    std::unique_ptr<ButtonKeys> buttonKeys;
    bool settingsSaved = false;
    bool closingOnRequest = false;
};
