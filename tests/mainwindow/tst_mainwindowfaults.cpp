#include "portlock.h"
#include "windowtesting.h"

#include <QProcess>
#include <QStyle>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

// The window under faults: a port held elsewhere, a device that goes away. It keeps working,
// says what happened and sends nothing it does not show.
class TestMainWindowFaults : public WindowTest
{
    Q_OBJECT

private slots:
    void portHeldByAnotherProgram();
    void portLockedByAnotherProgram_data();
    void portLockedByAnotherProgram();
    void staleLockOfAnotherUserIsNamed();
    void exitReleasesThePortAndItsLock();
    void deviceGoneDuringADragAndBetweenCommands();
};

// Another Tessary holds the port: here the command-line sender, waiting for commands.
void TestMainWindowFaults::portHeldByAnotherProgram()
{
    QProcess sender;
    sender.start(QStringLiteral(TESSARY_SEND),
                 {u"--verbose"_s, u"--port"_s, line->slavePath, u"-"_s});
    sender.write("play\n");
    QVERIFY(sender.waitForReadyRead(5000));
    start();
    QCOMPARE(play(u"sends 80020100; connect; status Open failed: %1 is in use by another program "
                  "(PID %2, tessary-send); closed; press Ctrl+Return; press Ctrl+3; press Ctrl++; "
                  "sends"_s.arg(line->slavePath)
                      .arg(sender.processId())),
             QString());
    // Once it lets go, Connect works; then the sender is the one refused, the window undisturbed.
    sender.closeWriteChannel();
    QVERIFY(sender.waitForFinished(5000));
    QCOMPARE(play(u"click Open; status Open; click Play; sends 80020100"_s), QString());
    sender.start(QStringLiteral(TESSARY_SEND), {u"--port"_s, line->slavePath, u"stop"_s});
    QVERIFY(sender.waitForFinished(5000));
    QCOMPARE(sender.exitCode(), 69);
    QCOMPARE(sender.readAllStandardError(),
             u"tessary-send: %1 is in use by another program (PID %2, tst_mainwindowfaults)\n"_s
                 .arg(line->slavePath)
                 .arg(QCoreApplication::applicationPid())
                 .toUtf8());
    QCOMPARE(play(u"status Play : 0x80 0x2 0x1; open; click Next; sends 80020300"_s), QString());
}

void TestMainWindowFaults::portLockedByAnotherProgram_data()
{
    // How a terminal program holds the port, and the name the window gives for it.
    QTest::addColumn<QString>("lock");
    QTest::addColumn<QString>("name");
    QTest::newRow("lock file with a name") << u"%1 minicom root\n"_s << u"minicom"_s;
    QTest::newRow("lock file with the PID alone") << u"%1\n"_s << u"sleep"_s;
    QTest::newRow("flock on the device") << QString() << u"flock"_s;
}

void TestMainWindowFaults::portLockedByAnotherProgram()
{
    QFETCH(QString, lock);
    QFETCH(QString, name);
    const QString lockFile = u"/run/lock/"_s + PortLock::lockFileName(line->slavePath);
    QProcess holder;
    if (lock.isEmpty()) {
        holder.start(u"flock"_s, {u"-o"_s, line->slavePath, u"sleep"_s, u"30"_s});
        QTRY_VERIFY(PortLock::findHolder(line->slavePath));
    } else {
        holder.start(u"sleep"_s, {u"30"_s});
        QVERIFY(holder.waitForStarted());
        QFile file(lockFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(lock.arg(holder.processId(), 10).toLatin1());
    }
    start();
    QCOMPARE(play(u"connect; status Open failed: %1 is in use by another program (PID %2, %3); "
                  "closed; sends"_s.arg(line->slavePath)
                      .arg(holder.processId())
                      .arg(name)),
             QString());
    QCOMPARE(QFile::exists(lockFile), !lock.isEmpty()); // a live program's lock stays
    // Once it has gone, its lock is stale: Connect clears it, and holds an flock of its own.
    holder.kill();
    QVERIFY(holder.waitForFinished());
    QCOMPARE(play(u"click Open; status Open; click Play; sends 80020100"_s), QString());
    QCOMPARE(PortLock::findHolder(line->slavePath)->pid, long(QCoreApplication::applicationPid()));
}

// A lock left by another user's program that has gone cannot be cleared but by that user.
void TestMainWindowFaults::staleLockOfAnotherUserIsNamed()
{
    if (geteuid() != 0)
        QSKIP("acting as another user needs root");
    QProcess gone;
    gone.start(u"true"_s);
    QVERIFY(gone.waitForStarted());
    const QByteArray pid = QByteArray::number(gone.processId()).rightJustified(10) + '\n';
    QVERIFY(gone.waitForFinished());
    const QString lockFile = u"/run/lock/"_s + PortLock::lockFileName(line->slavePath);
    QFile file(lockFile);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(pid) == pid.size());
    file.close();
    QVERIFY(chmod(qPrintable(line->slavePath), 0666) == 0);
    QProcess sender;
    sender.start(u"setpriv"_s,
                 {u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s,
                  QStringLiteral(TESSARY_SEND), u"--port"_s, line->slavePath, u"play"_s});
    QVERIFY(sender.waitForFinished());
    QCOMPARE(sender.readAllStandardError(),
             u"tessary-send: a stale lock of another user blocks %1: %2\n"_s
                 .arg(line->slavePath, lockFile)
                 .toUtf8());
    // The port's own user, here root, clears it.
    start();
    QCOMPARE(play(u"connect; status Open"_s), QString());
}

void TestMainWindowFaults::exitReleasesThePortAndItsLock()
{
    start();
    QCOMPARE(play(u"connect; open; press Ctrl+Q"_s), QString());
    window.reset(); // what main() does once the event loop has ended
    QVERIFY(!serialPort->isOpen());
    QVERIFY(!QFile::exists(u"/run/lock/"_s + PortLock::lockFileName(line->slavePath)));
    QVERIFY(!PortLock::findHolder(line->slavePath));
}

void TestMainWindowFaults::deviceGoneDuringADragAndBetweenCommands()
{
    start();
    QCOMPARE(play(u"connect"_s), QString());
    auto *slider = child<QSlider>("horizontalSlider_All");
    const int handle = slider->style()->pixelMetric(QStyle::PM_SliderLength, nullptr, slider);
    const auto at = [slider, handle](int value) {
        return QPoint(QStyle::sliderPositionFromValue(-31, 0, value, slider->width() - handle) +
                          handle / 2,
                      slider->height() / 2);
    };
    QTest::mousePress(slider, Qt::LeftButton, {}, at(0));
    // Each value the handle passes goes out as one frame, until the device goes.
    for (int value = -1; value >= -10; --value) {
        if (value == -4)
            QCOMPARE(play(u"sends 80031e00 80031d00 80031c00; unplug"_s), QString());
        QTest::mouseMove(slider, at(value));
    }
    QTest::mouseRelease(slider, Qt::LeftButton, {}, at(-10));
    QVERIFY(!slider->isSliderDown());
    // The folder keys no longer claim to send anything; a working line takes the level from
    // where the slider stands.
    line = std::make_unique<PseudoTerminal>();
    QCOMPARE(play(u"status Connection lost; closed; press Ctrl+4; status Connection lost; "
                  "connect; status Open; focus horizontalSlider_All; press Left; sends 8003%1 00; "
                  "unplug; click Stop; status Connection lost; closed"_s.arg(slider->value() + 30,
                                                                             2, 16, QChar(u'0'))),
             QString());
}

QTEST_MAIN(TestMainWindowFaults)
#include "tst_mainwindowfaults.moc"
