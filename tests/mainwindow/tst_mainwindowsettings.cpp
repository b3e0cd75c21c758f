#include "windowtesting.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTimer>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

// Settings kept from one run to the next, as a user sees them at the next start.
class TestMainWindowSettings : public WindowTest
{
    Q_OBJECT

private slots:
    void firstStartThenRoundTrip();
    void failedSaveIsSaidBeforeTheWindowGoes();
    void loading_data();
    void loading();

private:
    // Model, port, rate, auto-connect, marked language, player and status, as shown.
    QString shown() const
    {
        QStringList values;
        for (const char *list :
             {"comboBox_Device", "comboBox_Serial_Port", "comboBox_Serial_Baudrate"})
            values << child<QComboBox>(list)->currentText();
        values << QString::number(child<QCheckBox>("checkBox_AutoConnect")->isChecked())
               << markedLanguage() << child<QComboBox>("comboBox_ID")->currentText() << status();
        return values.join(u'|').replace(line->slavePath, u"<pty>"_s);
    }
};

// A first start shows the defaults and saves them as the file has always been laid out; what the
// user then chooses comes back at the next start, which connects by itself at the saved rate.
void TestMainWindowSettings::firstStartThenRoundTrip()
{
    setPorts({});
    start();
    QCOMPARE(shown(), u"Lumetto||19200|0|actionDefault|0|..."_s);
    PLAY(u"shows Device 3 Lumetto Lumetto MKII; shows Folder 1000 0 999; shows ID 128 0 "
         "127; shows Volume -31 0; label -0 dB; closed"_s);
    window.reset();
    QCOMPARE(SettingsStore::forApplication().read().value_or(QString()),
             u"KVX11.00\nTessary - Generic Edition  - Configuration File\n"
             "Generate by: Tessary - Generic Edition 1.0.0\n"
             "%1\nDevice\n%1\nLumetto\n%1\nSerial Port\n%1\n\n"
             "%1\nBaudrate\n%1\n19200\n%1\nAuto-connect\n%1\n0\n"
             "%1\nLanguage\n%1\n(default)\n%1\nPlayer ID\n%1\n0\n"_s.arg(QString(40, u'*')));

    setPorts({PortInfo(line->slavePath)});
    start();
    child<QCheckBox>("checkBox_AutoConnect")->setChecked(true);
    PLAY(u"model 1; Serial_Port %1; Serial_Baudrate 38400; menu English; ID 42; press Ctrl+Q"_s.arg(
        line->slavePath));
    QVERIFY(!window->isVisible());
    window.reset(); // what main() does once the event loop has ended
    start();
    QCOMPARE(shown(), u"Galdris|<pty>|38400|1|actionEnglish|42|Open"_s);
    QCOMPARE(child<QComboBox>("comboBox_Folder")->count(), 128);
    PLAY(u"open"_s);
    const termios settings = line->slaveSettings();
    QCOMPARE(cfgetospeed(&settings), speed_t(B38400));
}

void TestMainWindowSettings::failedSaveIsSaidBeforeTheWindowGoes()
{
    // A link to a FIFO beside the program is never written through, and the per-user folder
    // cannot be made where a file stands: the reason given is the one of the last place tried.
    const SettingsStore store = SettingsStore::forApplication();
    const QString folder = QFileInfo(store.userFilePath()).path();
    QVERIFY(mkfifo(qPrintable(working->filePath(u"fifo"_s)), 0600) == 0);
    QVERIFY(QFile::link(working->filePath(u"fifo"_s), store.programFilePath()));
    QDir(folder).removeRecursively();
    QFile blocker(folder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    const auto unblock = qScopeGuard([&blocker] { blocker.remove(); });
    start();
    QString said;
    QTimer::singleShot(0, this, [&said] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            said = box->text();
            box->accept();
        }
    });
    window->close();
    QVERIFY2(said.contains(folder + u": the folder cannot be made"_s), qPrintable(said));
    QVERIFY(QFileInfo(store.programFilePath()).isSymLink());
}

void TestMainWindowSettings::loading_data()
{
    // Changes to the base file ("line=text", or "line-" to end the file before that line), and
    // what the window shows then. The base: Galdris, the third port, 38400, French, player 42.
    QTest::addColumn<QString>("changes");
    QTest::addColumn<QString>("shown");
    const char *saved = "Galdris|/dev/tessary-absent-2|38400|0|actionFran_ais|42|...";
    const char *first = "Lumetto|/dev/tessary-absent-0|19200|0|actionDefault|0|...";
    const char *const rows[][3] = {
        {"as saved", "", saved},
        {"CR LF", "crlf", saved},
        {"wrong version", "1=KVX11.01", first},
        {"no magic", "1=1.00", first},
        {"magic in lower case", "1=kvx11.00", first},
        {"magic and version anywhere", "1=1.00_#_KVX1", saved},
        {"random after the first line", "random", first},
        {"Serial_Baudrate matched after the profile", "15=9600",
         "Galdris|/dev/tessary-absent-2|9600|0|actionFran_ais|42|..."},
        {"Serial_Baudrate of another model", "7=Lumetto 15=9600",
         "Lumetto|/dev/tessary-absent-2|19200|0|actionFran_ais|42|..."},
        {"model matches nothing", "7=galdris",
         "Lumetto|/dev/tessary-absent-2|19200|0|actionFran_ais|42|..."},
        {"player out of range", "27=128",
         "Galdris|/dev/tessary-absent-2|38400|0|actionFran_ais|0|..."},
        {"English", "23=English", "Galdris|/dev/tessary-absent-2|38400|0|actionEnglish|42|..."},
        {"Français", "23=Français", "Galdris|/dev/tessary-absent-2|38400|0|actionDefault|42|..."},
        {"ends after the port", "12-", "Galdris|/dev/tessary-absent-2|9600|0|actionDefault|0|..."},
        {"auto-connect word", "19=yes 11=<pty>", "Galdris|<pty>|38400|0|actionFran_ais|42|..."},
        {"auto-connect -1", "19=-1 11=<pty>", "Galdris|<pty>|38400|1|actionFran_ais|42|Open"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromUtf8(row[1]) << QString::fromUtf8(row[2]);
}

void TestMainWindowSettings::loading()
{
    QFETCH(QString, changes);
    QFETCH(QString, shown);
    QStringList lines{u"KVX11.00"_s, u"T  - Configuration File"_s, u"Generate by: T 1.0.0"_s};
    for (const char *value : {"Galdris", "/dev/tessary-absent-2", "38400", "0", "French", "42"})
        lines << QString(40, u'*') << u"key"_s << QString(40, u'*') << QLatin1String(value);
    for (QString change : changes.split(u' ', Qt::SkipEmptyParts)) {
        change.replace(u"<pty>"_s, line->slavePath).replace(u'_', u' ');
        if (change == u"random"_s) {
            for (int i = 1; i < 27; ++i)
                lines[i] = QString::number(QRandomGenerator(quint32(i)).generate64(), 36);
        } else if (change.endsWith(u'-')) {
            lines = lines.mid(0, change.chopped(1).toInt() - 1);
        } else if (change != u"crlf"_s) {
            lines[change.section(u'=', 0, 0).toInt() - 1] = change.section(u'=', 1);
        }
    }
    const QString end = changes.contains(u"crlf"_s) ? u"\r\n"_s : u"\n"_s;
    QVERIFY(SettingsStore::forApplication().write(lines.join(end) + end));

    start();
    QCOMPARE(this->shown(), shown);
    QCOMPARE(child<QComboBox>("comboBox_Folder")->count(),
             shown.startsWith(u"Galdris"_s) ? 128 : 1000);
    QCOMPARE(serialPort->isOpen(), shown.endsWith(u"Open"_s));
}

QTEST_MAIN(TestMainWindowSettings)
#include "tst_mainwindowsettings.moc"
