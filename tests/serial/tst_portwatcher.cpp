#include "pseudoterminal.h"
#include "serial/portwatcher.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <linux/netlink.h>
#include <sys/socket.h>

using namespace Qt::StringLiterals;

// The ports as the system lists them, through the real udev path, with adapters that come and go
// in a system of the test's own (tests/support/fakesystem.sh).
class TestPortWatcher : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void followsAdapters_data();
    void followsAdapters();
    void adapterKnownByItsOwnName();

private:
    static void plug(const QString &name, const QString &slave = {})
    {
        const QString script = qEnvironmentVariable("TESSARY_FAKE_SYSTEM");
        QCOMPARE(QProcess::execute(script, slave.isEmpty() ? QStringList{u"unplug"_s, name}
                                                           : QStringList{u"plug"_s, name, slave}),
                 0);
    }
    // What the udev daemon broadcasts when a device comes or goes.
    static void tellListeners(const QByteArray &name, const QByteArray &action)
    {
        const QByteArray message = action + "@/devices/uprobe/usb1/1-1/" + name + '\0' +
                                   "ACTION=" + action + '\0' + "SUBSYSTEM=tty" + '\0' +
                                   "DEVNAME=" + name + '\0';
        const int sender = socket(AF_NETLINK, SOCK_DGRAM, NETLINK_KOBJECT_UEVENT);
        for (const quint32 group : {1, 2}) {
            sockaddr_nl to = {};
            to.nl_family = AF_NETLINK;
            to.nl_groups = group;
            sendto(sender, message.constData(), size_t(message.size()), 0,
                   reinterpret_cast<const sockaddr *>(&to), sizeof to);
        }
        ::close(sender);
    }
    static QStringList names(const QList<PortInfo> &ports)
    {
        QStringList names;
        for (const PortInfo &port : ports)
            names << port.name;
        return names;
    }
};

void TestPortWatcher::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("TESSARY_FAKE_SYSTEM"))
        QSKIP("runs inside tests/support/fakesystem.sh");
}

void TestPortWatcher::followsAdapters_data()
{
    // With the udev daemon the list follows its news, and nothing else wakes it; without it, a
    // slow rescan does.
    QTest::addColumn<bool>("daemon");
    QTest::newRow("udev") << true;
    QTest::newRow("no udev daemon") << false;
}

void TestPortWatcher::followsAdapters()
{
    QFETCH(bool, daemon);
    QFile control(u"/run/udev/control"_s);
    QVERIFY(daemon ? control.open(QIODevice::WriteOnly) : control.remove());
    control.close();
    PortWatcher::setRescanInterval(daemon ? 3600 * 1000 : 100);
    PortWatcher watcher;
    QVERIFY(!names(watcher.ports()).contains(u"ttyUSB0"_s));
    const PseudoTerminal line;
    for (const QByteArray action : {"add", "remove"}) {
        plug(u"ttyUSB0"_s, action == "add" ? line.slavePath : QString());
        if (daemon)
            tellListeners("ttyUSB0", action);
        QTRY_COMPARE(names(watcher.ports()).contains(u"ttyUSB0"_s), action == "add");
    }
}

// An adapter's name in /dev/serial/by-id is known with its port, and stands for it.
void TestPortWatcher::adapterKnownByItsOwnName()
{
    const PseudoTerminal line;
    plug(u"ttyUSB1"_s, line.slavePath);
    const QString stable = u"usb-Tessary_Test_SN7-if00-port0"_s;
    QVERIFY(QDir().mkpath(u"/dev/serial/by-id"_s));
    QVERIFY(QFile::link(u"../../ttyUSB1"_s, u"/dev/serial/by-id/"_s + stable));
    const QList<PortInfo> ports = PortWatcher::systemPorts();
    const auto adapter = std::find_if(ports.cbegin(), ports.cend(),
                                      [](const PortInfo &port) { return port.name == u"ttyUSB1"; });
    QVERIFY(adapter != ports.cend());
    QCOMPARE(adapter->stableName, stable);
    QCOMPARE(QProcess::execute(QStringLiteral(TESSARY_SEND),
                               {u"--port"_s, stable, u"--id"_s, u"0"_s, u"play"_s}),
             0);
    QCOMPARE(line.read(4).toHex(), "80020100");
}

QTEST_GUILESS_MAIN(TestPortWatcher)
#include "tst_portwatcher.moc"
