#include "serial/portlock.h"
#include "windowtesting.h"

#include <QAbstractItemView>
#include <QSignalSpy>
#include <QStyle>
#include <grp.h>
#include <sys/stat.h>

// The port as the hardware and other programs leave it: held elsewhere, gone, plugged in again.
// A port here is often a link in the working folder to a pseudo-terminal, so that the same name
// can come back on a new line; the lister stands in for the system's.
class TestMainWindowPorts : public WindowTest
{
    Q_OBJECT

private slots:
    void heldByAnotherProgram_data();
    void heldByAnotherProgram();
    void anotherUserIsToldWhatBlocks_data();
    void anotherUserIsToldWhatBlocks();
    void goneDuringADragAndBetweenCommands();
    void listFollowsWithWhatTheSystemKnows();
    void reconnectsToTheSamePortOnly_data();
    void reconnectsToTheSamePortOnly();
    void savedPortAbsentAtStartIsAwaited();
    void lostPortStaysSaved();

private:
    // A port of that name on a fresh line.
    QString plug(const QString &name)
    {
        line = std::make_unique<PseudoTerminal>();
        QFile::remove(working->filePath(name));
        QFile::link(line->slavePath, working->filePath(name));
        return working->filePath(name);
    }
    QString lockFile() const { return u"/run/lock/"_s + PortLock::lockFileName(line->slavePath); }
};

void TestMainWindowPorts::heldByAnotherProgram_data()
{
    // How the other program holds the port, and the name the window gives it.
    QTest::addColumn<QString>("lock");
    QTest::addColumn<QString>("name");
    QTest::newRow("another Tessary") << u"send"_s << u"tessary-send"_s;
    QTest::newRow("lock file with a name") << u"%1 minicom root\n"_s << u"minicom"_s;
    QTest::newRow("lock file with the PID alone") << u"%1\n"_s << u"sleep"_s;
    QTest::newRow("flock on the device") << u"flock"_s << u"flock"_s;
    // The look before the open cannot read the device, so the lock is found once it is open:
    // the port is closed again.
    QTest::newRow("flock on a device this user may only write")
        << u"flock, write-only"_s << QString();
}

void TestMainWindowPorts::heldByAnotherProgram()
{
    QFETCH(QString, lock);
    QFETCH(QString, name);
    QProcess holder;
    if (lock == u"send"_s) {
        holder.start(QStringLiteral(TESSARY_SEND),
                     {u"--verbose"_s, u"--port"_s, line->slavePath, u"-"_s});
        holder.write("play\n");
        QVERIFY(holder.waitForReadyRead(5000) && line->read(4).size() == 4);
    } else if (lock.startsWith(u"flock"_s)) {
        holder.start(u"flock"_s, {u"-o"_s, line->slavePath, u"sleep"_s, u"30"_s});
        QTRY_VERIFY(PortLock::findHolder(line->slavePath));
    } else {
        holder.start(u"sleep"_s, {u"30"_s});
        QFile file(lockFile());
        QVERIFY(holder.waitForStarted() && file.open(QIODevice::WriteOnly));
        file.write(lock.arg(holder.processId(), 10).toLatin1());
    }
    start();
    const bool writeOnly = name.isEmpty();
    if (writeOnly && (geteuid() != 0 || chown(qPrintable(line->slavePath), 65534, 65534) != 0 ||
                      chmod(qPrintable(line->slavePath), 0200) != 0 || seteuid(65534) != 0))
        QSKIP("acting as another user needs root");
    const QString who =
        writeOnly ? QString() : u" (PID %1, %2)"_s.arg(holder.processId()).arg(name);
    PLAY(u"connect; status Open failed: %1 is in use by another program%2; closed; "
         "press Ctrl+Return; press Ctrl+3; press Ctrl++; sends"_s.arg(line->slavePath, who));
    QVERIFY(seteuid(0) == 0 || !writeOnly);
    QCOMPARE(QFile::exists(lockFile()),
             !lock.startsWith(u"flock"_s)); // a live program's lock stays
    // Once it has gone, Connect clears a stale lock and holds the port in turn: the sender is
    // refused, naming the window, which goes on. Quitting releases the port and its lock.
    holder.kill();
    QVERIFY(holder.waitForFinished());
    PLAY(u"click Open; status Open; click Play; sends 80020100"_s);
    QProcess sender;
    sender.start(QStringLiteral(TESSARY_SEND), {u"--port"_s, line->slavePath, u"stop"_s});
    QVERIFY(sender.waitForFinished(5000));
    QCOMPARE(QString::fromUtf8(sender.readAllStandardError()),
             u"tessary-send: %1 is in use by another program (PID %2, tst_mainwindowports)\n"_s.arg(
                 line->slavePath, QString::number(QCoreApplication::applicationPid())));
    QCOMPARE(sender.exitCode(), 69);
    PLAY(u"status Play : 0x80 0x2 0x1; click Next; sends 80020300; press Ctrl+Q"_s);
    window.reset(); // what main() does once the event loop has ended
    QVERIFY(!serialPort->isOpen() && !QFile::exists(lockFile()));
    QVERIFY(!PortLock::findHolder(line->slavePath));
}

void TestMainWindowPorts::anotherUserIsToldWhatBlocks_data()
{
    QTest::addColumn<bool>("staleLock");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("said");
    QTest::newRow("a stale lock of root's")
        << true << u"dialout"_s << u"a stale lock of another user blocks %1: %2"_s;
    QTest::newRow("the port's group")
        << false << u"dialout"_s
        << u"%1: permission denied; join the group dialout and log in again"_s;
    // Nobody is meant to join root's group, or tty's.
    QTest::newRow("root's group") << false << u"root"_s
                                  << u"%1: permission denied; an administrator must grant you "
                                     "access"_s;
}

// A lock left by another user's program that has gone can be cleared by that user alone; a port
// opens to its group. The other user here is the sender run as nobody.
void TestMainWindowPorts::anotherUserIsToldWhatBlocks()
{
    QFETCH(bool, staleLock);
    QFETCH(QString, group);
    QFETCH(QString, said);
    if (geteuid() != 0)
        QSKIP("acting as another user needs root");
    QProcess gone;
    gone.start(u"true"_s);
    QVERIFY(gone.waitForStarted());
    const QByteArray pid = QByteArray::number(gone.processId()).rightJustified(10) + '\n';
    QVERIFY(gone.waitForFinished());
    QFile file(lockFile());
    QVERIFY(!staleLock || (file.open(QIODevice::WriteOnly) && file.write(pid) == pid.size()));
    file.close();
    QVERIFY(chown(qPrintable(line->slavePath), 0, getgrnam(qPrintable(group))->gr_gid) == 0);
    QVERIFY(chmod(qPrintable(line->slavePath), staleLock ? 0666 : 0660) == 0);
    QProcess sender;
    sender.start(u"setpriv"_s,
                 {u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s,
                  QStringLiteral(TESSARY_SEND), u"--port"_s, line->slavePath, u"play"_s});
    QVERIFY(sender.waitForFinished());
    QCOMPARE(QString::fromUtf8(sender.readAllStandardError()),
             u"tessary-send: "_s + said.arg(line->slavePath, lockFile()) + u'\n');
    start(); // the port's own user, root, clears the lock
    PLAY(u"connect; status Open"_s);
}

void TestMainWindowPorts::goneDuringADragAndBetweenCommands()
{
    start();
    QSignalSpy lost(window->findChild<SerialLink *>(), &SerialLink::connectionLost);
    PLAY(u"connect"_s);
    auto *slider = child<QSlider>("horizontalSlider_All");
    const int handle = slider->style()->pixelMetric(QStyle::PM_SliderLength, nullptr, slider);
    const auto at = [slider, handle](int value) {
        return QPoint(QStyle::sliderPositionFromValue(-31, 0, value, slider->width() - handle) +
                          handle / 2,
                      slider->height() / 2);
    };
    // Each value the handle passes goes out as one frame, until the device goes.
    QTest::mousePress(slider, Qt::LeftButton, {}, at(0));
    for (int value = -1; value >= -10; --value) {
        if (value == -4)
            PLAY(u"sends 80031e00 80031d00 80031c00; unplug"_s);
        QTest::mouseMove(slider, at(value));
    }
    QTest::mouseRelease(slider, Qt::LeftButton, {}, at(-10));
    QVERIFY(!slider->isSliderDown());
    // The folder keys no longer claim to send anything; a working line takes the level from
    // where the slider stands; a line unplugged between two commands is noticed at once.
    line = std::make_unique<PseudoTerminal>();
    PLAY(u"status Connection lost; closed; press Ctrl+4; status Connection lost; connect; "
         "status Open; focus horizontalSlider_All; press Left; sends 8003%1 00; unplug; "
         "status Connection lost; closed; click Stop; status Connection lost"_s.arg(
             slider->value() + 30, 2, 16, QChar(u'0')));
    QCOMPARE(lost.count(), 2);
}

void TestMainWindowPorts::listFollowsWithWhatTheSystemKnows()
{
    start();
    PLAY(u"Serial_Port ttyS0; ports ttyS0"_s);
    setPorts({PortInfo(u"ttyS0"_s), PortInfo(u"ttyUSB0"_s, u"FT232R USB UART"_s, u"FTDI"_s,
                                             u"A10K4ZB3"_s, 0x0403, 0x6001)});
    // Opening the list asks again, whether the system said anything or not, and it opens with
    // the ports of now.
    auto *list = child<QComboBox>("comboBox_Serial_Port");
    QTest::mouseClick(list, Qt::LeftButton);
    QCOMPARE(list->count(), 2);
    QTRY_VERIFY(list->view()->isVisible());
    list->hidePopup();
    QCOMPARE(list->itemData(1, Qt::ToolTipRole).toString(),
             u"FT232R USB UART\nManufacturer: FTDI\nSerial number: A10K4ZB3\nUSB id: 0403:6001"_s);
    // The choice stays while its port is there; names are shown whole.
    const QString longName = u"usb-FTDI_FT232R_USB_UART_A10K4ZB3-if00-port0"_s;
    PLAY(u"shows Serial_Port 2 ttyS0 ttyUSB0; Serial_Port ttyUSB0; ports ttyACM0 ttyUSB0 %1; "
         "shows Serial_Port 3 ttyUSB0 %1"_s.arg(longName));
    QTRY_VERIFY(list->width() > list->fontMetrics().horizontalAdvance(longName));
    PLAY(u"ports -; shows Serial_Port 0  "_s);
}

void TestMainWindowPorts::reconnectsToTheSamePortOnly_data()
{
    // What happens once connected to the port with Auto-connection ticked; then the ports listed
    // when it is back (%1 itself, %2 another name) and what the window does; the port saved then.
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<QString>("back");
    QTest::addColumn<QString>("saved");
    const char *lost = "unplug; status Connection lost";
    const char *const rows[][4] = {
        {"auto-connection", lost,
         "ports ttyS0 %1; status Reconnected; open; click Play; sends 80020100", "%1"},
        {"closed by the user", "click Close", "ports ttyS0 %1; status Close; closed", "%1"},
        {"auto-connection unticked", "unplug; tick AutoConnect",
         "ports ttyS0 %1; status Connection lost; closed", "%1"},
        {"model changed", "unplug; status Connection lost; model 1",
         "ports ttyS0 %1; status ...; closed", "%1"},
        {"back under another name", lost, "ports ttyS0 %2; status Open failed: *; closed", "%1"},
        {"the same adapter under another name", lost,
         "ports ttyS0 %2=A1; status Reconnected: %2 (the same adapter); click Play; sends "
         "80020100",
         "%2"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromUtf8(row[1]) << QString::fromUtf8(row[2])
                              << QString::fromUtf8(row[3]);
}

void TestMainWindowPorts::reconnectsToTheSamePortOnly()
{
    QFETCH(QString, meanwhile);
    QFETCH(QString, back);
    QFETCH(QString, saved);
    start();
    child<QCheckBox>("checkBox_AutoConnect")->setChecked(true);
    const QString port = plug(u"ttyTEST"_s);
    QSignalSpy lost(window->findChild<SerialLink *>(), &SerialLink::connectionLost);
    PLAY(u"ports %1=A1; connect %1; %2; ports -"_s.arg(port, meanwhile));
    // Twenty times plugged in and pulled again before it could be opened; then it stays.
    for (int i = 0; i < 20; ++i) {
        plug(u"ttyTEST"_s);
        line->closeMaster();
        PLAY(u"ports ttyS0 %1; ports -"_s.arg(port));
    }
    plug(u"ttyTEST"_s);
    const QString other = working->filePath(u"ttyOTHER"_s);
    QVERIFY(QFile::link(line->slavePath, other));
    PLAY(QString(back).replace(u"%1"_s, port).replace(u"%2"_s, other));
    window.reset();
    QCOMPARE(
        ConfigFile::parse(SettingsStore::forApplication().read().value_or(QString()))->serialPort,
        saved == u"%1"_s ? port : other);
    QCOMPARE(lost.count(), meanwhile.startsWith(u"unplug"_s) ? 1 : 0);
}

// With the saved port not plugged in yet, Auto-connection waits for it: commands for show
// equipment never go to a port the user did not choose, and the saved port stays saved.
void TestMainWindowPorts::savedPortAbsentAtStartIsAwaited()
{
    const QString port = working->filePath(u"ttyTEST"_s);
    SettingsStore::forApplication().write(
        u"KVX11.00\n\n\n*\nDevice\n*\nLumetto\n*\nSerial Port\n*\n%1\n*\nBaudrate\n*\n19200\n*\n"
        "Auto-connect\n*\n1\n*\nLanguage\n*\nEnglish\n*\nPlayer ID\n*\n0\n"_s.arg(port));
    start();
    PLAY(u"status Waiting for %1; closed; press Ctrl+Return; sends; restart; "
         "status Waiting for %1"_s.arg(port));
    plug(u"ttyTEST"_s);
    PLAY(u"ports /dev/tessary-absent-0 %1=A1; status Open; click Play; sends 80020100"_s.arg(port));
    // Its adapter, known by a name of its own, is followed when it comes back as another port.
    window.reset();
    const QString other = working->filePath(u"ttyOTHER"_s);
    QVERIFY(QFile::link(line->slavePath, other));
    setPorts({PortInfo(u"ttyS0"_s), PortInfo(other, {}, {}, {}, 0, 0, u"A1"_s)});
    start();
    PLAY(u"status Open: %1 (the same adapter); click Next; sends 80020300"_s.arg(other));
    // Another adapter in its place is the one remembered from then on.
    window.reset();
    setPorts({PortInfo(other, {}, {}, {}, 0, 0, u"A2"_s)});
    start();
    window.reset();
    setPorts({PortInfo(port, {}, {}, {}, 0, 0, u"A2"_s)});
    start();
    PLAY(u"status Open: %1 (the same adapter)"_s.arg(port));
}

// Pulling the adapter, then quitting, leaves the port chosen saved: the next start waits for
// it, and never takes the port the list fell back on.
void TestMainWindowPorts::lostPortStaysSaved()
{
    start();
    PLAY(u"ports ttyS0 %1; connect %1; ports ttyS0; status Connection lost; shows Serial_Port 1 "
         "ttyS0 ttyS0; restart; ports ttyS0 %1; shows Serial_Port 2 %1 %1"_s.arg(
             plug(u"ttyTEST"_s)));
}

QTEST_MAIN(TestMainWindowPorts)
#include "tst_mainwindowports.moc"
