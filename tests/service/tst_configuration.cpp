#include "service/configuration.h"
#include "storage/statefolder.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The service's configuration as a person writes it: what is refused, and why, whether at start,
// at a reload, or in the window's remote.ini; what is kept as the window keeps it; which part a
// change is in.
class TestConfiguration : public QObject
{
    Q_OBJECT

private slots:
    void faults_data();
    void faults();
    void keptAndReadBack();
    void changes_data();
    void changes();
    void stateFound_data();
    void stateFound();

private:
    // The file with a line of its own, unless the sections given have one; %1 stands for the
    // folder of the test's certificate, %2 for this one.
    ServiceConfiguration read(QString sections, QFile::Permissions permissions = {})
    {
        sections.replace(u"%1"_s, QFINDTESTDATA("../web/tls/localhost.pem").chopped(13))
            .replace(u"%2"_s, folder.path());
        QFile file(folder.filePath(u"tessaryd.conf"_s));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        if (!sections.startsWith(u"[line]"_s))
            sections.prepend(u"[line]\nport=ttyS0\nmodel=Galdris\nbaud=38400\n"_s);
        file.write(sections.toUtf8());
        file.close();
        file.setPermissions(permissions ? permissions : QFile::ReadOwner | QFile::WriteOwner);
        return ServiceConfiguration::read(file.fileName());
    }

    QTemporaryDir folder;
};

void TestConfiguration::faults_data()
{
    QTest::addColumn<QString>("sections");
    QTest::addColumn<QString>("refused");
    const auto row = [](const char *tag, const char *sections, const char *refused) {
        QTest::newRow(tag) << QString::fromUtf8(sections) << QString::fromUtf8(refused);
    };
    row("as written", "[remote]\nenabled=true\nallowed=10.77.0.2, 192.168.1.0/24\n", "");
    row("a rate the model lacks", "[line]\nport=ttyS0\nmodel=Galdris\nbaud=1234\n",
        "Galdris has no rate \"1234\"; it has");
    for (const char *entry :
         {"no-address", "127.000.000.010", "127.1", "0x7f.0.0.1", "10.0.0.0/33"})
        QTest::newRow(entry) << u"[remote]\nenabled=true\nallowed=%1\n"_s.arg(QLatin1String(entry))
                             << u"[remote] %1 is not an address or a subnet as written"_s.arg(
                                    QLatin1String(entry));
    row("an address in octal", "[remote]\nenabled=true\naddress=127.000.000.001\n",
        "127.000.000.001 is not an address as written");
    row("an address this machine lacks", "[remote]\nenabled=true\naddress=192.0.2.1\n",
        "[remote] 192.0.2.1 is not an address of this machine");
    row("one port for both", "[remote]\nenabled=true\noscPort=7702\n",
        "OSC and text cannot share port 7702");
    row("a token of its own", "[web]\nenabled=true\ntoken=abcdefghijklmnopqrstuv_-\n", "");
    row("a short token", "[web]\nenabled=true\ntoken=abcdefghij\n", "128 bits");
    row("a certificate without its key", "[web]\nenabled=true\ncertFile=/etc/ssl/a.pem\n",
        "go together");
    row("a certificate that is not there",
        "[web]\nenabled=true\ncertFile=/nonexistent/a.pem\nkeyFile=/nonexistent/a.key\n",
        "no PEM certificate");
    row("a key that is a certificate",
        "[web]\nenabled=true\ncertFile=%1localhost.pem\nkeyFile=%1localhost.pem\n",
        "no PEM private key");
    row("the page's address, another machine's", "[web]\nenabled=true\naddress=192.0.2.1\n",
        "[web] 192.0.2.1 is not an address of this machine");
    row("a level of a topic that is none", "[mqtt]\nhost=b\nprefix=museum/east\n",
        "\"museum/east\" cannot be a level of a topic");
    row("a line named as the building's", "[mqtt]\nhost=b\nline=All\n",
        "a line cannot be named \"All\": tessary/all/command stops every line");
    row("a client certificate without its key", "[mqtt]\nhost=b\ncertFile=%2/tessaryd.conf\n",
        "a client certificate needs its key");
}

void TestConfiguration::faults()
{
    QFETCH(QString, sections);
    QFETCH(QString, refused);
    const ServiceConfiguration configuration = read(sections);
    QVERIFY2(refused.isEmpty() ? configuration.isGood()
                               : configuration.faults().value(0).contains(refused),
             qPrintable(configuration.faults().join(u'\n')));
    // A secret in a file others may read is refused, whichever secret it is.
    for (const char *secret : {"[web]\ntoken=abcdefghijklmnopqrstuv_-\n", "[mqtt]\npassword=p\n"})
        QVERIFY(read(QLatin1String(secret), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther)
                    .faults()
                    .value(0)
                    .endsWith(u"but others may read it: chmod 600 it"_s));
}

// Every key of the ways in, as the window keeps them in remote.ini and reads them back.
void TestConfiguration::keptAndReadBack()
{
    const ServiceConfiguration written =
        read(u"[remote]\nenabled=true\noscPort=8801\ntextPort=8802\naddress=::\n"
             "allowed=10.0.0.0/8, 192.168.1.20\nudp=false\n[mqtt]\nhost=b\nport=1884\nclientId=c\n"
             "username=u\npassword=p w\ncaFile=%2/tessaryd.conf\ncertFile=%2/tessaryd.conf\n"
             "keyFile=%2/tessaryd.conf\nprefix=museum\nline=hall\ndiscovery=true\n"
             "discoveryPrefix=ha\ntimeout=3\n[web]\nenabled=true\nport=8803\naddress=0.0.0.0\n"
             "allowed=10.0.0.2\ntoken=abcdefghijklmnopqrstuv_-\n"_s);
    QVERIFY2(written.isGood(), qPrintable(written.faults().join(u'\n')));
    {
        QSettings kept(folder.filePath(u"remote.ini"_s), QSettings::IniFormat);
        written.saveFrontEnds(kept);
    }
    QFile::setPermissions(folder.filePath(u"remote.ini"_s), QFile::ReadOwner | QFile::WriteOwner);
    const ServiceConfiguration back =
        ServiceConfiguration::read(folder.filePath(u"remote.ini"_s), false);
    QVERIFY2(back.isGood(), qPrintable(back.faults().join(u'\n')));
    QCOMPARE(back.shown().mid(4), written.shown().mid(4)); // all but the line's
    QCOMPARE(written.mqtt.password, u"p w"_s);
    QVERIFY(written.shown().contains(u"  password=(set)"_s));
}

void TestConfiguration::changes_data()
{
    // A key changed, and the part it is in, as a reload says it.
    QTest::addColumn<QString>("changed");
    QTest::addColumn<QString>("part");
    QTest::newRow("UDP switched off") << u"[remote]\nudp=false\n"_s << u"remote control"_s;
    QTest::newRow("the allowed ones") << u"[remote]\nallowed=10.0.0.1\n"_s << u"remote control"_s;
    QTest::newRow("the rate") << u"[line]\nport=ttyS0\nmodel=Galdris\nbaud=19200\n"_s
                              << u"the line"_s;
    QTest::newRow("the installation") << u"[installation]\nfile=/x\n"_s << u"the installation"_s;
    QTest::newRow("the broker's timeout") << u"[mqtt]\ntimeout=5\n"_s << u"MQTT"_s;
    QTest::newRow("the page's token")
        << u"[web]\ntoken=abcdefghijklmnopqrstuv_-\n"_s << u"the page"_s;
}

void TestConfiguration::changes()
{
    QFETCH(QString, changed);
    QFETCH(QString, part);
    const ServiceConfiguration before = read({}), after = read(changed);
    const QList<ServiceConfiguration::Part> parts = after.changedFrom(before);
    QCOMPARE(parts.size(), 1);
    QCOMPARE(ServiceConfiguration::partName(parts.first()), part);
    QVERIFY(before.changedFrom(read({})).isEmpty());
}

void TestConfiguration::stateFound_data()
{
    // The configuration file, and the unit's state folder if any; where the state is.
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("state");
    QTest::newRow("the unit's") << u"/etc/tessary/tessaryd.conf"_s << u"/var/lib/x"_s
                                << u"/var/lib/x"_s;
    QTest::newRow("from a shell, as the unit has it")
        << u"/etc/tessary/tessaryd.conf"_s << QString() << u"/var/lib/tessaryd"_s;
    QTest::newRow("tessaryd@hall's")
        << u"/etc/tessary/../tessary/hall.conf"_s << QString() << u"/var/lib/tessaryd/hall"_s;
    QTest::newRow("a file of the user's")
        << u"/home/desk/tessaryd.conf"_s << QString()
        << QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

void TestConfiguration::stateFound()
{
    QFETCH(QString, file);
    QFETCH(QString, unit);
    QFETCH(QString, state);
    qputenv("STATE_DIRECTORY", unit.toUtf8());
    QCOMPARE(StateFolder::forConfiguration(file, u"/etc/tessary"_s, u"/var/lib/tessaryd"_s), state);
    qunsetenv("STATE_DIRECTORY");
}

QTEST_GUILESS_MAIN(TestConfiguration)
#include "tst_configuration.moc"
