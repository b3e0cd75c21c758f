#include "windowtesting.h"

#include <QSignalSpy>
#include <grp.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

// Adapters that come and go, as the port list and the connection follow them. A port here is a
// link in the working folder to a pseudo-terminal, so that the same name can come back on a new
// line; the lister stands in for the system's.
class TestMainWindowPorts : public WindowTest
{
    Q_OBJECT

private slots:
    void listFollowsWithWhatTheSystemKnows();
    void lossNoticedWithoutAFrame();
    void reconnectsToTheSamePortOnly_data();
    void reconnectsToTheSamePortOnly();
    void savedPortAbsentAtStartIsAwaited();
    void refusedPermissionSaysWhatFixesIt();
    void reasonsInTheUsersLanguage();

private:
    // A port of that name on a fresh line.
    QString plug(const QString &name)
    {
        line = std::make_unique<PseudoTerminal>();
        const QString port = working->filePath(name);
        QFile::remove(port);
        QFile::link(line->slavePath, port);
        return port;
    }
};

void TestMainWindowPorts::listFollowsWithWhatTheSystemKnows()
{
    start();
    QCOMPARE(play(u"port ttyS0; ports ttyS0"_s), QString());
    setPorts({{u"ttyS0"_s},
              {u"ttyUSB0"_s, u"FT232R USB UART"_s, u"FTDI"_s, u"A10K4ZB3"_s, 0x0403, 0x6001}});
    window->findChild<PortWatcher *>()->rescan();
    auto *list = child<QComboBox>("comboBox_Serial_Port");
    QTRY_COMPARE(list->count(), 2);
    QCOMPARE(list->itemData(1, Qt::ToolTipRole).toString(),
             u"FT232R USB UART\nManufacturer: FTDI\nSerial number: A10K4ZB3\nUSB id: 0403:6001"_s);
    QCOMPARE(list->currentText(), u"ttyS0"_s); // the choice stays while its port is there
    QCOMPARE(play(u"ports ttyUSB0"_s), QString());
    QCOMPARE(list->currentText(), u"ttyUSB0"_s);
    QCOMPARE(play(u"ports -"_s), QString());
    QCOMPARE(list->count(), 0);
}

void TestMainWindowPorts::lossNoticedWithoutAFrame()
{
    start();
    QSignalSpy lost(window->findChild<SerialLink *>(), &SerialLink::connectionLost);
    QCOMPARE(play(u"connect; unplug; status Connection lost; closed"_s), QString());
    QCOMPARE(play(u"click Play; status Connection lost"_s), QString());
    QCOMPARE(lost.count(), 1);
}

void TestMainWindowPorts::reconnectsToTheSamePortOnly_data()
{
    // Auto-connection; what happens once connected to the port (%1); the ports listed when it
    // is back; and what the window then shows.
    QTest::addColumn<bool>("autoConnect");
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<QString>("back");
    QTest::addColumn<QString>("after");
    const auto row = [](const char *tag, bool autoConnect, const char *meanwhile, const char *back,
                        const char *after) {
        QTest::newRow(tag) << autoConnect << QString::fromUtf8(meanwhile) << QString::fromUtf8(back)
                           << QString::fromUtf8(after);
    };
    const char *lost = "unplug; status Connection lost";
    row("auto-connection", true, lost, "ttyS0 %1",
        "status Reconnected; open; click Play; sends 80020100");
    row("without auto-connection", false, lost, "ttyS0 %1", "status Connection lost; closed");
    row("closed by the user", true, "click Close", "ttyS0 %1", "status Close; closed");
    row("auto-connection unticked", true, "unplug; tick AutoConnect", "ttyS0 %1",
        "status Connection lost; closed");
    row("model changed", true, "unplug; status Connection lost; model 1", "ttyS0 %1",
        "status ...; closed");
    row("back under another name", true, lost, "ttyS0 ttyUSB1", "status Open failed: *; closed");
}

void TestMainWindowPorts::reconnectsToTheSamePortOnly()
{
    QFETCH(bool, autoConnect);
    QFETCH(QString, meanwhile);
    QFETCH(QString, back);
    QFETCH(QString, after);
    start();
    child<QCheckBox>("checkBox_AutoConnect")->setChecked(autoConnect);
    const QString port = plug(u"ttyTEST"_s);
    QSignalSpy lost(window->findChild<SerialLink *>(), &SerialLink::connectionLost);
    QCOMPARE(play(u"ports %1; connect %1; %2; ports -"_s.arg(port, meanwhile)), QString());
    // Twenty times plugged in and pulled again before it could be opened; then it stays.
    for (int i = 0; i < 20; ++i) {
        plug(u"ttyTEST"_s);
        line->closeMaster();
        QCOMPARE(play(u"ports ttyS0 %1; ports -"_s.arg(port)), QString());
    }
    plug(u"ttyTEST"_s);
    QCOMPARE(play(u"ports %1; %2"_s.arg(back.arg(port), after)), QString());
    QCOMPARE(lost.count(), meanwhile.startsWith(u"unplug"_s) ? 1 : 0);
    QCOMPARE(line->readAll(),
             after.endsWith(u"open"_s) ? QByteArray::fromHex("80020100") : QByteArray());
}

// With the saved port not plugged in yet, Auto-connection waits for it: commands for show
// equipment never go to a port the user did not choose, and the saved port stays saved.
void TestMainWindowPorts::savedPortAbsentAtStartIsAwaited()
{
    const QString port = working->filePath(u"ttyTEST"_s);
    const SettingsStore store = SettingsStore::forApplication();
    store.write(
        u"KVX11.00\n\n\n*\nDevice\n*\nLumetto\n*\nSerial Port\n*\n%1\n*\nBaudrate\n*\n19200\n"
        "*\nAuto-connect\n*\n1\n*\nLanguage\n*\nEnglish\n*\nPlayer ID\n*\n0\n"_s.arg(port));
    start();
    QCOMPARE(play(u"status Waiting for %1; closed; press Ctrl+Return; sends; restart; "
                  "status Waiting for %1"_s.arg(port)),
             QString());
    plug(u"ttyTEST"_s);
    QCOMPARE(play(u"ports /dev/tessary-absent-0 %1; status Open; click Play; sends 80020100"_s.arg(
                 port)),
             QString());
}

void TestMainWindowPorts::refusedPermissionSaysWhatFixesIt()
{
    if (geteuid() != 0)
        QSKIP("acting as another user needs root");
    // As a serial port usually is: its group may write to it.
    QVERIFY(chown(qPrintable(line->slavePath), 0, getgrnam("dialout")->gr_gid) == 0);
    QVERIFY(chmod(qPrintable(line->slavePath), 0660) == 0);
    QProcess sender;
    sender.start(u"setpriv"_s,
                 {u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s,
                  QStringLiteral(TESSARY_SEND), u"--port"_s, line->slavePath, u"play"_s});
    QVERIFY(sender.waitForFinished());
    QCOMPARE(sender.readAllStandardError(),
             u"tessary-send: %1: permission denied; join the group dialout and log in again\n"_s
                 .arg(line->slavePath)
                 .toUtf8());
}

void TestMainWindowPorts::reasonsInTheUsersLanguage()
{
    QFile::copy(QStringLiteral(TESSARY_QM_DIR "/LanguageData_fr.qm"),
                working->filePath(u"LanguageData_fr.qm"_s));
    start();
    QCOMPARE(
        play(
            u"menu Fran_ais; connect /dev/tessary-no-such-port; "
            "status Échec de l'ouverture : /dev/tessary-no-such-port : périphérique introuvable"_s),
        QString());
}

QTEST_MAIN(TestMainWindowPorts)
#include "tst_mainwindowports.moc"
