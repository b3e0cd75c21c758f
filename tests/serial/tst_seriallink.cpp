#include "pseudoterminal.h"
#include "seriallink.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

class TestSerialLink : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void bytesLeaveUnchanged_data();
    void bytesLeaveUnchanged();
    void everyOpenAppliesTheLineAnew();
    void failedOpenSaysWhy();
    void lostDeviceClosesTheLink();
    void stuckLineReportsNotSent();

private:
    QSerialPort *port = nullptr;
    SerialLink *link = nullptr;
};

void TestSerialLink::init()
{
    port = new QSerialPort;
    link = new SerialLink(port);
}

void TestSerialLink::cleanup()
{
    delete link;
    delete port;
}

void TestSerialLink::bytesLeaveUnchanged_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("frame") << QByteArray::fromHex("85020100");
    // Bytes a cooked terminal would translate or swallow: CR, LF, XON, XOFF, DEL, interrupt.
    QTest::newRow("control bytes") << QByteArray::fromHex("0a0d1113037f");
    QTest::newRow("high bytes") << QByteArray::fromHex("ff718000");
}

void TestSerialLink::bytesLeaveUnchanged()
{
    QFETCH(QByteArray, data);
    PseudoTerminal line;
    QVERIFY(line.isValid());
    QVERIFY2(link->open(line.slavePath(), 19200), qPrintable(link->errorString()));
    QVERIFY(link->send(data));
    QCOMPARE(line.read(data.size()), data);
    QCOMPARE(line.readAll(), QByteArray());
}

void TestSerialLink::everyOpenAppliesTheLineAnew()
{
    PseudoTerminal line;
    QVERIFY(link->open(line.slavePath(), 9600));
    termios settings = line.slaveSettings();
    QCOMPARE(cfgetospeed(&settings), speed_t(B9600));
    link->close();
    QVERIFY(!link->isOpen());

    // Someone else leaves the line at 7E2 with hardware handshake in between.
    termios other = line.slaveSettings();
    other.c_cflag = (other.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB | CRTSCTS;
    cfsetspeed(&other, B300);
    QVERIFY(line.setSlaveSettings(other));

    QVERIFY(link->open(line.slavePath(), 38400));
    settings = line.slaveSettings();
    QCOMPARE(cfgetospeed(&settings), speed_t(B38400));
    QCOMPARE(settings.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));
}

void TestSerialLink::failedOpenSaysWhy()
{
    QVERIFY(!link->open(QStringLiteral("/dev/tessary-no-such-port"), 19200));
    QVERIFY(!link->isOpen());
    QVERIFY(!link->errorString().isEmpty());
    QVERIFY(!link->send(QByteArray::fromHex("85020100")));
}

void TestSerialLink::lostDeviceClosesTheLink()
{
    PseudoTerminal line;
    QVERIFY(link->open(line.slavePath(), 19200));
    QSignalSpy lost(link, &SerialLink::connectionLost);
    line.closeMaster();

    QVERIFY(!link->send(QByteArray::fromHex("85020100")));
    QCOMPARE(lost.count(), 1);
    QVERIFY(!link->isOpen());

    PseudoTerminal replacement;
    QVERIFY(link->open(replacement.slavePath(), 19200));
    QVERIFY(link->send(QByteArray::fromHex("85020200")));
    QCOMPARE(replacement.read(4), QByteArray::fromHex("85020200"));
}

void TestSerialLink::stuckLineReportsNotSent()
{
    PseudoTerminal line;
    QVERIFY(link->open(line.slavePath(), 19200));
    // Nobody reads the master, so the queue fills up and a frame finds no room.
    const QByteArray frame = QByteArray::fromHex("85020100");
    int sent = 0;
    while (sent < 1000000 && link->send(frame))
        ++sent;
    QVERIFY(sent < 1000000);
    QVERIFY(link->isOpen());

    // The refused frame is dropped, not left to reach the player late.
    const QByteArray arrived = line.readAll(200);
    QVERIFY(arrived.size() <= sent * frame.size());
    QCOMPARE(arrived, frame.repeated(sent).left(arrived.size()));
    QCOMPARE(line.readAll(200), QByteArray());

    const QByteArray next = QByteArray::fromHex("85020200");
    QVERIFY(link->send(next));
    QCOMPARE(line.read(4), next);
}

QTEST_GUILESS_MAIN(TestSerialLink)
#include "tst_seriallink.moc"
