#include "storage/inifile.h"

#include <QTest>

using namespace Qt::StringLiterals;

// A configuration read strictly: what a person gets wrong is said with its line, never guessed.
class TestIniFile : public QObject
{
    Q_OBJECT

private slots:
    void readStrictly_data();
    void readStrictly();
};

void TestIniFile::readStrictly_data()
{
    // The file ("|" for a line end); what the settings read as, then the faults.
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("read");
    const char *const rows[][3] = {
        {"as written",
         "; a comment|[remote]|# another|enabled=yes|oscPort=7701|allowed=", "on 7701 ()"},
        {"no and off are false", "[remote]|enabled=NO|[mqtt]|discovery=off", "off 7 ()"},
        {"a misspelt section", "[Line]|port=ttyS0",
         "off 7 () line 1: [Line]: no such section; [line]?"},
        {"a misspelt key", "[remote]|enable=true",
         "off 7 () line 2: enable: no such setting in [remote]; enabled?"},
        {"a name nowhere near", "[remote]|colour=red",
         "off 7 () line 2: colour: no such setting in [remote]"},
        {"a flag that is not one", "[remote]|enabled=si",
         "off 7 () line 2: enabled=si: true or false is needed (or yes, no, on, off, 1, 0)"},
        {"a number out of range", "[remote]|oscPort=77010",
         "off 7 () line 2: oscPort=77010: a number from 1 to 65535 is needed"},
        {"a number with a fraction", "[remote]|oscPort=7701.0",
         "off 7 () line 2: oscPort=7701.0: a number from 1 to 65535 is needed"},
        {"a key twice", "[remote]|enabled=true|enabled=false",
         "on 7 () line 3: enabled in [remote] given twice, first on line 2"},
        {"a list with either separator", "[remote]|allowed=10.1.1.1; 127.0.0.1,10.0.0.0/8",
         "off 7 (10.1.1.1 127.0.0.1 10.0.0.0/8)"},
        {"a list in quotes, as QSettings writes it", "[remote]|allowed=\"10.1.1.1, 10.1.1.2\"",
         "off 7 (10.1.1.1 10.1.1.2)"},
        {"a line that is no setting", "[remote]|enabled",
         "off 7 () line 2: \"enabled\" is not a setting: key=value is needed"},
        {"a comment after a value", "[remote]|oscPort=7701  # the default|allowed=\"a #1\"",
         "off 7 (a #1) line 2: oscPort: a comment goes on a line of its own (or the value in "
         "quotes: oscPort=\"...\")"},
        {"a setting before any section", "enabled=true",
         "off 7 () line 1: enabled: a setting outside a section"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromUtf8(row[1]) << QString::fromUtf8(row[2]);
}

void TestIniFile::readStrictly()
{
    QFETCH(QString, text);
    QFETCH(QString, read);
    const IniFile::Schema schema{{u"line"_s, {u"port"_s}},
                                 {u"remote"_s, {u"enabled"_s, u"oscPort"_s, u"allowed"_s}},
                                 {u"mqtt"_s, {u"discovery"_s}}};
    IniFile file = IniFile::parse(text.replace(u'|', u'\n').toUtf8(), schema);
    const bool on = file.flag(u"remote"_s, u"enabled"_s, false);
    const uint port = file.number(u"remote"_s, u"oscPort"_s, 1, 65535, 7);
    file.flag(u"mqtt"_s, u"discovery"_s, true);
    QStringList seen{on ? u"on"_s : u"off"_s, QString::number(port == 7701 ? 7701 : 7),
                     u"("_s + file.list(u"remote"_s, u"allowed"_s).join(u' ') + u")"_s};
    QCOMPARE((seen + file.errors()).join(u' '), read);
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
