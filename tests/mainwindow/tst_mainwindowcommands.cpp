#include "command/commandlog.h"
#include "command/commandpath.h"
#include "freeports.h"
#include "mainwindow/identifydialog.h"
#include "remote/remoteserver.h"
#include "windowtesting.h"

#include <QDockWidget>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeySequenceEdit>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

// What reaches the line when the user works the window, read back at a pseudo-terminal.
class TestMainWindowCommands : public WindowTest
{
    Q_OBJECT

private slots:
    void commands_data();
    void commands();
    void logKeepsWhatBecameOfEachFrame();
    void recordedSceneRunsFromTheSender();
    void sceneKeysNeverShared();
    void installationKeptAsWritten();
    void remoteControlFromItsDialog();
    void identifyWalksThePlayers();
};

void TestMainWindowCommands::commands_data()
{
    // What is chosen before connecting, then what the user does and what follows. Keys are
    // pressed in the slider, which takes arrow keys itself: the shortcuts work all the same.
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("scenario");
    const auto row = [](const char *tag, const char *before, const char *scenario) {
        QTest::newRow(tag) << QString::fromUtf8(before) << QString::fromUtf8(scenario);
    };
    row("transport", "ID 5",
        "click Play; sends 85020100; status Play : 0x85 0x2 0x1; click Stop; sends 85020200; "
        "status Stop : 0x85 0x2 0x2; click Next; sends 85020300; status Next : 0x85 0x2 0x3; "
        "click Previous; sends 85020400; status Previous : 0x85 0x2 0x4");
    row("transport keys", "ID 5",
        "press Ctrl+Return; sends 85020100; status Play : 0x85 0x2 0x1; press Ctrl+Space; "
        "sends 85020200; press Ctrl+Right; sends 85020300; press Ctrl+Left; sends 85020400");
    row("first and last player", "ID 0",
        "click Play; sends 80020100; status Play : 0x80 0x2 0x1; ID 127; click Play; "
        "sends ff020100; status Play : 0xff 0x2 0x1");
    row("folders of a bank's edges", "ID 5; Folder 0",
        "click Folder_Load; sends 85010000; status Load folder : 0x85 0x1 0x0; Folder 128; "
        "click Folder_Load; sends 85110000; status Load folder : 0x85 0x11 0x0");
    row("Galdris's last folder", "model 1; ID 5; Folder 127",
        "click Folder_Load; sends 85017f00; status Load folder : 0x85 0x1 0x7f");
    row("Lumetto MKII's last folder", "model 2; ID 127; Folder 999",
        "click Folder_Load; sends ff716700; status Load folder : 0xff 0x71 0x67");
    row("folder keys, whatever the list shows", "ID 5; Folder 57",
        "press Ctrl+0; press Ctrl+1; press Ctrl+2; press Ctrl+3; press Ctrl+4; press Ctrl+5; "
        "press Ctrl+6; press Ctrl+7; press Ctrl+8; sends 85010000 85010100 85010200 85010300 "
        "85010400 85010500 85010600 85010700 85010800; ID 0; press Ctrl+9; sends 80010900; "
        "status Load folder : 0x80 0x1 0x9");
    row("Lumetto volume", "level -20",
        "level -31; sends 80030000; status Volume : 0x80 0x3 0x0; label Mute; level -30; "
        "sends 80030100; label -30 dB; level 0; sends 80031f00; label 0 dB; press Ctrl++; "
        "click All_Max; sends; press Ctrl+-; sends 80031e00; label -1 dB");
    row("Galdris volume", "model 1; level -20",
        "level -64; sends 80030000; label Mute; click All_Min; press Ctrl+-; sends; press Ctrl++; "
        "sends 80030100; label -63 dB; level 0; sends 80034000; status Volume : 0x80 0x3 0x40");
    row("volume ends by key", "model 2; level -40",
        "press Ctrl+Alt++; sends 80034000; label 0 dB; press Ctrl+Alt+-; sends 80030000; "
        "label Mute; status Volume : 0x80 0x3 0x0");
    // A button's own shortcut dropped presses that came within about 100 ms of the last one.
    QTest::newRow("every press one command")
        << u"ID 0"_s
        << u"press Ctrl+Right; "_s.repeated(30) + u"sends "_s + u"80020300"_s.repeated(30);
    row("unshifted plus and keypad Enter", "ID 0; level -10",
        "press Ctrl+=; sends 80031600; label -9 dB; press Ctrl+Num+Enter; sends 80020100; "
        "status Play : 0x80 0x2 0x1");
    row("nothing once closed", "",
        "click Close; status Close; closed; press Ctrl+5; press Ctrl+0; press Ctrl+-; press "
        "Ctrl+-; press Ctrl++; press Ctrl+Return; sends; label -1 dB; status Close");
    row("failed open says why", "",
        "click Close; ports -; click Open; status Open failed: no serial port found; closed; "
        "connect /dev/tessary-no-such-port; status Open failed: *; closed; connect /dev/null; "
        "status Open failed: *; closed");
    // One turn of the wheel over the Devices list used to change the model and drop the
    // connection.
    row("wheel over a list without the focus", "",
        "wheel comboBox_Device; shows Device 3 Lumetto Lumetto MKII; status Open; open; sends");
    // Narrowing the range pulls the level up to the new mute; the port has closed first.
    row("model change closes and reshapes", "level -10; Folder 100; ID 42",
        "model 1; status ...; closed; shows Folder 128 0 127; shows Serial_Baudrate 3 19200 38400; "
        "shows Volume -64 -10; level -50; connect; model 0; closed; shows Folder 1000 0 999; shows "
        "Serial_Baudrate 1 19200 19200; shows Volume -31 -31; label Mute; model 2; shows Volume "
        "-64 -31; shows ID 128 42 127; sends");
    // The status line, the level's label and the reasons a port does not open follow a change
    // of language.
    row("in French", "level -12",
        "menu Fran_ais; status ...; label -12 dB; click Play; sends 80020100; status Lire : 0x80 "
        "0x2 0x1; click All_Min; label Muet; click Close; status Déconnecté; connect "
        "/dev/tessary-none; status Échec de l'ouverture : /dev/tessary-none : périphérique "
        "introuvable; menu English; label Mute");
}

void TestMainWindowCommands::commands()
{
    QFETCH(QString, before);
    QFETCH(QString, scenario);
    QFile::copy(QStringLiteral(TESSARY_QM_DIR "/LanguageData_fr.qm"), u"LanguageData_fr.qm"_s);
    start();
    PLAY(before + u"; connect; status Open; open; sends; focus horizontalSlider_All"_s);
    // Every open sets 8N1 without flow control at the chosen rate, whatever the line was left at.
    const termios settings = line->slaveSettings();
    QCOMPARE(settings.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
    QCOMPARE(settings.c_oflag & OPOST, tcflag_t(0));
    QCOMPARE(cfgetospeed(&settings), speed_t(B19200));
    PLAY(scenario);
}

// A frame sent, one refused by a full line (dropped, rather than left to reach the player late),
// and one that found the device gone, in the status line and the log.
void TestMainWindowCommands::logKeepsWhatBecameOfEachFrame()
{
    start();
    PLAY(u"connect; ID 3; click Play; sends 83020100"_s);
    const qsizetype queued = line->fillQueue();
    PLAY(u"click Stop; status Stop : 0x83 0x2 0x2 (not sent); open"_s);
    const QByteArray arrived = line->readAll(200);
    QVERIFY(arrived.size() <= queued && !arrived.contains('\x83'));
    PLAY(u"unplug; click Next"_s);
    auto *log = window->findChild<CommandLog *>();
    log->flush();
    QStringList rows;
    for (int row = 0; row < log->rowCount(); ++row) {
        QStringList fields;
        for (int column = CommandLog::Player; column < CommandLog::ColumnCount; ++column)
            fields << log->index(row, column).data().toString();
        rows << fields.join(u'|');
    }
    QCOMPARE(rows, QStringList({u"|||Open"_s, u"3|Play|83 02 01 00|sent"_s,
                                u"3|Stop|83 02 02 00|not sent"_s, u"|||Connection lost"_s,
                                u"3|Next|83 02 03 00|connection lost"_s}));
    // Shown or hidden from View > Command Log, at once and at the next start; rows a line of
    // text high.
    for (const bool shown : {true, false}) {
        for (const char *step : {"press Ctrl+L", "restart"}) {
            PLAY(QString::fromLatin1(step));
            const auto *dock = window->findChild<QDockWidget *>(u"dockWidget_Log"_s);
            QCOMPARE(dock && dock->isVisible(), shown);
            if (shown && (log = window->findChild<CommandLog *>())->rowCount() > 0) {
                QTest::mouseClick(child<QPushButton>("pushButton_Log_Clear"), Qt::LeftButton);
                QCOMPARE(log->rowCount(), 0); // Clear empties it
            }
        }
        const auto *view = window->findChild<QTableView *>();
        QVERIFY(!view ||
                view->verticalHeader()->defaultSectionSize() < 2 * view->fontMetrics().height());
    }
    PLAY(u"press Ctrl+L; press Ctrl+L; press Ctrl+L"_s); // shown again, not made again
    QCOMPARE(window->findChildren<QDockWidget *>().size(), 1);
    PLAY(u"press Ctrl+L"_s);
    // Where the choice is kept is a link to a FIFO: never read, never written through.
    const QString state =
        QFileInfo(SettingsStore::forApplication().userFilePath()).path() + u"/window.ini"_s;
    QVERIFY(QFile::remove(state) && mkfifo(qPrintable(working->filePath(u"fifo"_s)), 0600) == 0);
    QVERIFY(QFile::link(working->filePath(u"fifo"_s), state));
    PLAY(u"restart; press Ctrl+L; status Not saved: %1: not a regular file"_s.arg(state));
    QVERIFY(QFileInfo(state).isSymLink());
    // A write that fails (here, beyond the file-size limit) is said too.
    QVERIFY(QFile::remove(state));
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY}, none{0, RLIM_INFINITY};
    QVERIFY(setrlimit(RLIMIT_FSIZE, &none) == 0);
    const QString said =
        play(u"press Ctrl+L; status Not saved: %1: could not be written"_s.arg(state));
    QVERIFY(setrlimit(RLIMIT_FSIZE, &unlimited) == 0);
    QCOMPARE(said, QString());
}

// What the window sends while recording becomes a scene of the installation's file, which the
// sender runs with the same bytes; what an import brings is what it runs then.
void TestMainWindowCommands::recordedSceneRunsFromTheSender()
{
    start();
    auto *record = child<QAction>("actionRecord_Scene");
    PLAY(u"connect; ID 3"_s);
    record->trigger();
    PLAY(u"click Play; Folder 12; click Folder_Load; sends 83020100 83010c00"_s);
    QTimer::singleShot(0, this, [] {
        if (auto *name = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
            name->setTextValue(u"Doors"_s);
            name->accept();
        }
    });
    record->trigger();
    PLAY(u"status Scene Doors recorded, steps: 2"_s);
    // A file that is no installation, imported by mistake, leaves this one as it was; one with a
    // line left out is taken without it.
    const auto import = [this](const QString &file) {
        QTimer::singleShot(0, this, [file] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            dialog->selectFile(file);
            static_cast<QDialog *>(dialog)->accept();
        });
        child<QAction>("actionImport")->trigger();
    };
    const auto sends = [this](const QString &scene, const QByteArray &frames) {
        window.reset();
        QProcess sender;
        sender.start(QStringLiteral(TESSARY_SEND),
                     {u"--port"_s, line->slavePath, u"--installation"_s, Installation::windowFile(),
                      u"scene"_s, scene});
        QVERIFY2(sender.waitForFinished() && sender.exitCode() == 0,
                 sender.readAllStandardError().constData());
        QCOMPARE(line->readAll().toHex(), frames);
    };
    import(u"/dev/null"_s);
    PLAY(u"status Not imported: /dev/null: not a regular file of at most 1 MiB"_s);
    sends(u"doors"_s, "8302010083010c00");
    QFile partial(QDir::current().filePath(u"partial.txt"_s));
    QVERIFY(partial.open(QIODevice::WriteOnly) &&
            partial.write("[players]\n3 hall\n3 porch\n[scene Gate]\n3 stop\n") > 0);
    partial.close();
    start();
    import(partial.fileName());
    PLAY(u"status Imported, with what was left out: line 3: player 3 is listed twice"_s);
    sends(u"gate"_s, "83020200");
}

// Qt runs neither action of a key two of them have: a scene never takes the window's key or an
// earlier scene's, from the file (said) or in the dialog (refused).
void TestMainWindowCommands::sceneKeysNeverShared()
{
    QVERIFY(QDir().mkpath(QFileInfo(Installation::windowFile()).path()));
    QFile file(Installation::windowFile());
    QVERIFY(file.open(QIODevice::WriteOnly) &&
            file.write("[players]\n3 hall\n[scene A]\nshortcut Ctrl+Space\nhall folder 2\n"
                       "[scene B]\nshortcut Ctrl+Alt+1\nhall next\n"
                       "[scene C]\nshortcut Ctrl+Alt+1\nhall previous\n") > 0);
    file.close();
    start();
    PLAY(
        u"status Shortcuts left out, as they are taken already: Ctrl+Space of A, Ctrl+Alt+1 of "
        "C; menu English; status ...; connect; ID 5; press Ctrl+Space; sends 85020200; press Ctrl+Alt+1; sends 83020300"_s);
    QStringList refused;
    QTimer::singleShot(0, this, [&refused] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        auto *keys = dialog->findChild<QKeySequenceEdit *>();
        for (const QString &key : {u"Ctrl+Space"_s, u"Ctrl+Alt+1"_s, u"Ctrl+Alt+2"_s}) {
            keys->setKeySequence(QKeySequence(key));
            dialog->accept();
            refused << dialog->findChild<QLabel *>(u"label_Scene_Problem"_s)->text();
        }
    });
    child<QAction>("actionEdit_Scenes")->trigger();
    QCOMPARE(refused, QStringList({u"Ctrl+Space is a key of the window already"_s,
                                   u"Ctrl+Alt+1 is the shortcut of scene B already"_s,
                                   {}}));
    window->activateWindow(); // as the closed dialog hands it back
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    PLAY(u"status Shortcuts left out, as they are taken already: Ctrl+Alt+1 of C; "
         "press Ctrl+Alt+2; sends 83010200; press Ctrl+Alt+1; sends 83020300"_s);
}

// A file written by hand keeps what the window cannot use, and its comments, through a save;
// the window says at start what it left out.
void TestMainWindowCommands::installationKeptAsWritten()
{
    QVERIFY(QDir().mkpath(QFileInfo(Installation::windowFile()).path()));
    QFile file(Installation::windowFile());
    const QByteArray written = "# east wing\n[players]\n12 courtyard\n\n[scene Dance]\n"
                               "# new firmware\ncourtyard dance\n";
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(written) == written.size());
    file.close();
    start();
    PLAY(u"status "_s + Installation::windowFile() +
         u": left out, and kept in the file as written: line 5: scene \"Dance\" left out: "
         "line 7: unknown command \"dance\""_s);
    QTimer::singleShot(
        0, this, [] { qobject_cast<QDialog *>(QApplication::activeModalWidget())->accept(); });
    child<QAction>("actionPlayers")->trigger();
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), written);
}

// Remote control switched on in its dialog: a cue from the network reaches the line at once, and
// again after the next start; a broker away is said. What the dialog does not show is kept.
void TestMainWindowCommands::remoteControlFromItsDialog()
{
    // Five ports in a row that no other test holds now, over UDP and TCP.
    const int port = freePorts(5);
    QSettings(RemoteSettings::windowFile(), QSettings::IniFormat)
        .setValue(u"mqtt/discoveryPrefix"_s, u"ha"_s);
    start();
    PLAY(u"connect"_s);
    // A port another program holds keeps the dialog open, and names the holder.
    QUdpSocket holder;
    QTcpServer pageHolder; // and one the page would take, its address and QR code not shown
    QVERIFY(holder.bind(QHostAddress::LocalHost, quint16(port + 2)) &&
            pageHolder.listen(QHostAddress::LocalHost, quint16(port + 3)));
    QString refused, page, unserved;
    QTimer::singleShot(0, this, [port, &refused, &page, &unserved] {
        QWidget *dialog = QApplication::activeModalWidget();
        dialog->findChild<QCheckBox *>(u"checkBox_Remote_Enabled"_s)->setChecked(true);
        dialog->findChild<QSpinBox *>(u"spinBox_Osc_Port"_s)->setValue(port + 2);
        dialog->findChild<QSpinBox *>(u"spinBox_Text_Port"_s)->setValue(port + 3);
        qobject_cast<QDialog *>(dialog)->accept();
        refused = dialog->isVisible()
                      ? dialog->findChild<QLabel *>(u"label_Remote_Problem"_s)->text()
                      : QString();
        dialog->findChild<QSpinBox *>(u"spinBox_Osc_Port"_s)->setValue(port);
        dialog->findChild<QSpinBox *>(u"spinBox_Text_Port"_s)->setValue(port + 1);
        dialog->findChild<QGroupBox *>(u"groupBox_Mqtt"_s)->setChecked(true);
        dialog->findChild<QLineEdit *>(u"lineEdit_Mqtt_Host"_s)->setText(u"127.0.0.1"_s);
        dialog->findChild<QSpinBox *>(u"spinBox_Mqtt_Port"_s)->setValue(1);
        // The front desk's page, its address and QR code shown as soon as it is chosen.
        dialog->findChild<QGroupBox *>(u"groupBox_Web"_s)->setChecked(true);
        dialog->findChild<QSpinBox *>(u"spinBox_Web_Port"_s)->setValue(port + 3);
        if (dialog->findChild<QLabel *>(u"label_Web_Qr"_s)->pixmap().isNull())
            unserved = dialog->findChild<QLabel *>(u"label_Web_Url"_s)->text();
        dialog->findChild<QSpinBox *>(u"spinBox_Web_Port"_s)->setValue(port + 4);
        page = dialog->findChild<QLabel *>(u"label_Web_Url"_s)->text().section(u'\n', 0, 0);
        if (dialog->findChild<QLabel *>(u"label_Web_Qr"_s)->pixmap().isNull())
            page.clear();
        qobject_cast<QDialog *>(dialog)->accept();
        // Refused after all: said, and closed, rather than left waiting.
        if (dialog->isVisible()) {
            page = dialog->findChild<QLabel *>(u"label_Remote_Problem"_s)->text();
            qobject_cast<QDialog *>(dialog)->reject();
        }
    });
    child<QAction>("actionRemote_Control")->trigger();
    QVERIFY2(refused.startsWith(
                 u"port %1 on 127.0.0.1 is in use by another program (PID "_s.arg(port + 2)),
             qPrintable(refused));
    QVERIFY2(unserved.startsWith(u"The page cannot be served: port %1 on 127.0.0.1 is in use by "
                                 "another program (PID "_s.arg(port + 3)),
             qPrintable(unserved));
    PLAY(u"status MQTT 127.0.0.1:1: Connection refused*"_s);
    QCOMPARE(QSettings(RemoteSettings::windowFile(), QSettings::IniFormat)
                 .value(u"mqtt/discoveryPrefix"_s),
             u"ha"_s);
    QVERIFY2(page.startsWith(u"http://127.0.0.1:%1/?token="_s.arg(port + 4)), qPrintable(page));
    for (const QString &before : {QString(), u"restart; connect"_s}) {
        PLAY(before);
        QUdpSocket().writeDatagram("5 play\n", QHostAddress::LocalHost, quint16(port + 1));
        PLAY(u"sends 85020100"_s);
        QTcpSocket desk;
        desk.connectToHost(QHostAddress::LocalHost, quint16(port + 4));
        desk.write("POST /api/v1/request HTTP/1.1\r\nHost: 127.0.0.1:" +
                   QByteArray::number(port + 4) + "\r\nAuthorization: Bearer " +
                   page.section(u'=', 1).toLatin1() + "\r\nContent-Length: 6\r\n\r\n5 stop");
        PLAY(u"sends 85020200"_s);
    }
}

// Identify plays the folder on each listed player in turn, stopping the one before, and says
// which; Stop silences the one playing.
void TestMainWindowCommands::identifyWalksThePlayers()
{
    start();
    PLAY(u"connect"_s);
    auto *path = window->findChild<CommandPath *>();
    path->setInstallation(Installation::parse(u"[players]\n3 hall\n9 lobby\n"_s));
    IdentifyDialog identify(path);
    identify.findChild<QSpinBox *>(u"spinBox_Identify_Folder"_s)->setValue(7);
    identify.findChild<QSpinBox *>(u"spinBox_Identify_Pause"_s)->setValue(1);
    const auto *now = identify.findChild<QLabel *>(u"label_Identify_Now"_s);
    auto *button = identify.findChild<QPushButton *>(u"pushButton_Identify_Start"_s);
    button->click();
    PLAY(u"sends 83010700"_s);
    QCOMPARE(now->text(), u"Playing on ID 3, hall"_s);
    PLAY(u"sends 83020200 89010700"_s);
    QCOMPARE(now->text(), u"Playing on ID 9, lobby"_s);
    button->click();
    PLAY(u"sends 89020200"_s);
    QCOMPARE(now->text(), u"Stopped"_s);
}

QTEST_MAIN(TestMainWindowCommands)
#include "tst_mainwindowcommands.moc"
