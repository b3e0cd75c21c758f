#include "configfile.h"

#include <QTest>

using Language = Configuration::Language;

namespace {

// A written file with one value replaced, given as its 27 lines.
QStringList writtenLines(int valueLine = 0, const QString &value = {})
{
    Configuration c;
    c.device = QStringLiteral("Galdris");
    c.serialPort = QStringLiteral("COM3");
    c.baudrate = QStringLiteral("38400");
    c.autoConnect = true;
    c.language = Language::French;
    c.playerId = QStringLiteral("42");
    QStringList lines = ConfigFile::format(c, QStringLiteral("App"), QStringLiteral("2.0"))
                            .split(QLatin1Char('\n'));
    lines.removeLast(); // after the final line feed
    if (valueLine > 0)
        lines[valueLine - 1] = value;
    return lines;
}

} // namespace

class TestConfigFile : public QObject
{
    Q_OBJECT

private slots:
    void header_data();
    void header();
    void values_data();
    void values();
    void lineEnds();
    void endsEarly();
};

void TestConfigFile::header_data()
{
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("as written") << QStringLiteral("KVX11.00") << true;
    QTest::newRow("text around") << QStringLiteral("# KVX1 file, 1.00 format") << true;
    QTest::newRow("order not checked") << QStringLiteral("1.00KVX1") << true;
    QTest::newRow("no version") << QStringLiteral("KVX1") << false;
    QTest::newRow("other version") << QStringLiteral("KVX11.01") << false;
    QTest::newRow("no magic") << QStringLiteral("1.00") << false;
    QTest::newRow("magic in lower case") << QStringLiteral("kvx11.00") << false;
    QTest::newRow("empty") << QString() << false;
}

void TestConfigFile::header()
{
    QFETCH(QString, firstLine);
    QFETCH(bool, accepted);
    const std::optional<Configuration> parsed =
        ConfigFile::parse(writtenLines(1, firstLine).join(QLatin1Char('\n')));
    QCOMPARE(parsed.has_value(), accepted);
    if (accepted)
        QCOMPARE(parsed->device, QStringLiteral("Galdris"));
}

void TestConfigFile::values_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("baudrate");
    QTest::addColumn<bool>("autoConnect");
    QTest::addColumn<Language>("language");

    const QString rate = QStringLiteral("38400");
    QTest::newRow("as written") << 0 << QString() << rate << true << Language::French;
    QTest::newRow("trailing blank kept")
        << 15 << QStringLiteral("9600 ") << QStringLiteral("9600 ") << true << Language::French;
    QTest::newRow("auto-connect 0")
        << 19 << QStringLiteral("0") << rate << false << Language::French;
    QTest::newRow("auto-connect 7")
        << 19 << QStringLiteral("7") << rate << true << Language::French;
    QTest::newRow("auto-connect -1")
        << 19 << QStringLiteral("-1") << rate << true << Language::French;
    QTest::newRow("auto-connect word")
        << 19 << QStringLiteral("yes") << rate << false << Language::French;
    QTest::newRow("auto-connect empty") << 19 << QString() << rate << false << Language::French;
    QTest::newRow("English") << 23 << QStringLiteral("English") << rate << true
                             << Language::English;
    QTest::newRow("(default)") << 23 << QStringLiteral("(default)") << rate << true
                               << Language::Default;
    QTest::newRow("empty language") << 23 << QString() << rate << true << Language::Default;
    QTest::newRow("english") << 23 << QStringLiteral("english") << rate << true
                             << Language::Default;
    QTest::newRow("Français") << 23 << QStringLiteral("Français") << rate << true
                              << Language::Default;
}

void TestConfigFile::values()
{
    QFETCH(int, line);
    QFETCH(QString, value);
    QFETCH(QString, baudrate);
    QFETCH(bool, autoConnect);
    QFETCH(Language, language);

    const std::optional<Configuration> parsed =
        ConfigFile::parse(writtenLines(line, value).join(QLatin1Char('\n')));
    QVERIFY(parsed);
    QCOMPARE(parsed->device, QStringLiteral("Galdris"));
    QCOMPARE(parsed->serialPort, QStringLiteral("COM3"));
    QCOMPARE(parsed->baudrate, baudrate);
    QCOMPARE(parsed->autoConnect, autoConnect);
    QCOMPARE(parsed->language, language);
    QCOMPARE(parsed->playerId, QStringLiteral("42"));
}

void TestConfigFile::lineEnds()
{
    const QStringList lines = writtenLines();
    const auto lf = ConfigFile::parse(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    const auto crlf = ConfigFile::parse(lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n"));
    QVERIFY(lf && crlf);
    QCOMPARE(crlf->device, lf->device);
    QCOMPARE(crlf->baudrate, QStringLiteral("38400"));
    QCOMPARE(crlf->language, Language::French);
    QCOMPARE(crlf->playerId, QStringLiteral("42"));
}

void TestConfigFile::endsEarly()
{
    // Cut after the serial port: what follows reads as empty.
    const auto parsed = ConfigFile::parse(writtenLines().mid(0, 11).join(QLatin1Char('\n')));
    QVERIFY(parsed);
    QCOMPARE(parsed->device, QStringLiteral("Galdris"));
    QCOMPARE(parsed->serialPort, QStringLiteral("COM3"));
    QCOMPARE(parsed->baudrate, QString());
    QCOMPARE(parsed->autoConnect, false);
    QCOMPARE(parsed->language, Language::Default);
    QCOMPARE(parsed->playerId, QString());
}

QTEST_APPLESS_MAIN(TestConfigFile)
#include "tst_configfile.moc"
