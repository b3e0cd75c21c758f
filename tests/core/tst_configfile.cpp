#include "configfile.h"

#include <QTest>

using namespace Qt::StringLiterals;

using Language = Configuration::Language;

namespace {

// A written file with one value replaced, given as its 27 lines.
QStringList writtenLines(int valueLine = 0, const QString &value = {})
{
    Configuration c;
    c.device = u"Galdris"_s;
    c.serialPort = u"COM3"_s;
    c.baudrate = u"38400"_s;
    c.autoConnect = true;
    c.language = Language::French;
    c.playerId = u"42"_s;
    QStringList lines = ConfigFile::format(c, u"App"_s, u"2.0"_s).split(QLatin1Char('\n'));
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
    void lineBreaksInValues_data();
    void lineBreaksInValues();
};

void TestConfigFile::header_data()
{
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("as written") << u"KVX11.00"_s << true;
    QTest::newRow("text around") << u"# KVX1 file, 1.00 format"_s << true;
    QTest::newRow("order not checked") << u"1.00KVX1"_s << true;
    QTest::newRow("no version") << u"KVX1"_s << false;
    QTest::newRow("other version") << u"KVX11.01"_s << false;
    QTest::newRow("no magic") << u"1.00"_s << false;
    QTest::newRow("magic in lower case") << u"kvx11.00"_s << false;
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
        QCOMPARE(parsed->device, u"Galdris"_s);
}

void TestConfigFile::values_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("baudrate");
    QTest::addColumn<bool>("autoConnect");
    QTest::addColumn<Language>("language");

    const QString rate = u"38400"_s;
    QTest::newRow("as written") << 0 << QString() << rate << true << Language::French;
    QTest::newRow("trailing blank kept")
        << 15 << u"9600 "_s << u"9600 "_s << true << Language::French;
    QTest::newRow("auto-connect 0") << 19 << u"0"_s << rate << false << Language::French;
    QTest::newRow("auto-connect 7") << 19 << u"7"_s << rate << true << Language::French;
    QTest::newRow("auto-connect -1") << 19 << u"-1"_s << rate << true << Language::French;
    QTest::newRow("auto-connect word") << 19 << u"yes"_s << rate << false << Language::French;
    QTest::newRow("auto-connect empty") << 19 << QString() << rate << false << Language::French;
    QTest::newRow("English") << 23 << u"English"_s << rate << true << Language::English;
    QTest::newRow("(default)") << 23 << u"(default)"_s << rate << true << Language::Default;
    QTest::newRow("empty language") << 23 << QString() << rate << true << Language::Default;
    QTest::newRow("english") << 23 << u"english"_s << rate << true << Language::Default;
    QTest::newRow("Français") << 23 << u"Français"_s << rate << true << Language::Default;
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
    QCOMPARE(parsed->device, u"Galdris"_s);
    QCOMPARE(parsed->serialPort, u"COM3"_s);
    QCOMPARE(parsed->baudrate, baudrate);
    QCOMPARE(parsed->autoConnect, autoConnect);
    QCOMPARE(parsed->language, language);
    QCOMPARE(parsed->playerId, u"42"_s);
}

void TestConfigFile::lineBreaksInValues_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("read");
    QTest::newRow("LF") << u"COM3\nKVX11.00"_s << u"COM3 KVX11.00"_s;
    QTest::newRow("CR LF") << u"COM3\r\n"_s << u"COM3  "_s;
    QTest::newRow("CR") << u"\rCOM3"_s << u" COM3"_s;
}

// A value with a line break in it still leaves every other value in its place.
void TestConfigFile::lineBreaksInValues()
{
    QFETCH(QString, port);
    QFETCH(QString, read);

    Configuration c;
    c.device = u"Galdris"_s;
    c.serialPort = port;
    c.baudrate = u"38400"_s;
    c.playerId = u"42"_s;
    const QString text = ConfigFile::format(c, u"App"_s, u"2.0"_s);
    QCOMPARE(text.count(QLatin1Char('\n')), 27);
    const std::optional<Configuration> parsed = ConfigFile::parse(text);
    QVERIFY(parsed);
    QCOMPARE(parsed->serialPort, read);
    QCOMPARE(parsed->baudrate, u"38400"_s);
    QCOMPARE(parsed->playerId, u"42"_s);
}

QTEST_APPLESS_MAIN(TestConfigFile)
#include "tst_configfile.moc"
