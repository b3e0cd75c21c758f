#include "globals.h"
#include "mainwindow.h"
#include "pseudoterminal.h"
#include "seriallink.h"
#include "settingsstore.h"
#include "windowtesting.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QSerialPort>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The ports the window finds at start: a pseudo-terminal between two names that open nothing.
QString ptyPath;
QStringList listedPorts()
{
    return {u"/dev/tessary-absent-0"_s, ptyPath, u"/dev/tessary-absent-2"_s};
}
QStringList noPorts()
{
    return {};
}

} // namespace

// Settings kept from one run to the next, as a user sees them at the next start.
class TestMainWindowSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void roundTrip();
    void firstStartWritesTheFile();
    void exitWritesTheFile();
    void loading_data();
    void loading();

private:
    template <typename T> T *child(const char *name) const
    {
        return WindowTesting::child<T>(window.get(), name);
    }
    QStringList savedLines() const;
    void writeSettings(const QStringList &lines, const QString &lineEnd = u"\n"_s);
    QString markedLanguage() const { return WindowTesting::markedLanguage(window.get()); }

    std::unique_ptr<PseudoTerminal> line;
    std::unique_ptr<MainWindow> window;
    SettingsStore store{QString(), QString(), QString()};
};

void TestMainWindowSettings::initTestCase()
{
    WindowTesting::prepare();
    store = SettingsStore::forApplication();
}

void TestMainWindowSettings::init()
{
    WindowTesting::forgetSettings();
    line = std::make_unique<PseudoTerminal>();
    ptyPath = line->slavePath();
    SerialLink::setPortLister(listedPorts);
}

void TestMainWindowSettings::cleanup()
{
    window.reset();
    serialPort->close();
    SerialLink::setPortLister(nullptr);
    WindowTesting::forgetSettings();
}

QStringList TestMainWindowSettings::savedLines() const
{
    QFile file(store.programFilePath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

void TestMainWindowSettings::writeSettings(const QStringList &lines, const QString &lineEnd)
{
    QFile file(store.programFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write((lines.join(lineEnd) + lineEnd).toUtf8());
}

void TestMainWindowSettings::roundTrip()
{
    window = std::make_unique<MainWindow>();
    auto *models = child<QComboBox>("comboBox_Device");
    models->setCurrentIndex(1);
    emit models->activated(1);
    child<QComboBox>("comboBox_Serial_Port")->setCurrentIndex(1);
    child<QComboBox>("comboBox_Serial_Baudrate")->setCurrentIndex(2);
    child<QCheckBox>("checkBox_AutoConnect")->setChecked(true);
    child<QAction>("actionEnglish")->trigger();
    child<QComboBox>("comboBox_ID")->setCurrentIndex(42);
    window.reset();

    const QStringList lines = savedLines();
    QCOMPARE(lines.size(), 28); // 27 lines, each ended by a line feed
    QCOMPARE(lines.at(6), u"Galdris"_s);
    QCOMPARE(lines.at(10), ptyPath);
    QCOMPARE(lines.at(14), u"38400"_s);
    QCOMPARE(lines.at(18), u"1"_s);
    QCOMPARE(lines.at(22), u"English"_s);
    QCOMPARE(lines.at(26), u"42"_s);
    QCOMPARE(lines.at(27), QString());

    // The next start brings everything back and connects by itself, at the saved rate.
    window = std::make_unique<MainWindow>();
    QCOMPARE(child<QComboBox>("comboBox_Device")->currentText(), u"Galdris"_s);
    QCOMPARE(child<QComboBox>("comboBox_Folder")->count(), 128);
    QCOMPARE(child<QComboBox>("comboBox_Serial_Port")->currentText(), ptyPath);
    QCOMPARE(child<QComboBox>("comboBox_Serial_Baudrate")->currentText(), u"38400"_s);
    QVERIFY(child<QCheckBox>("checkBox_AutoConnect")->isChecked());
    QCOMPARE(markedLanguage(), u"actionEnglish"_s);
    QCOMPARE(child<QComboBox>("comboBox_ID")->currentText(), u"42"_s);
    QVERIFY(serialPort->isOpen());
    QCOMPARE(child<QLabel>("label_Status")->text(), u"Open"_s);
    QVERIFY(child<QWidget>("groupBox_Transport")->isEnabled());
    QVERIFY(!child<QWidget>("pushButton_Open")->isEnabled());
    const termios settings = line->slaveSettings();
    QCOMPARE(cfgetospeed(&settings), speed_t(B38400));
}

void TestMainWindowSettings::firstStartWritesTheFile()
{
    SerialLink::setPortLister(noPorts);
    window = std::make_unique<MainWindow>();
    window.reset();
    const QString stars(40, QLatin1Char('*'));
    QCOMPARE(savedLines(), QStringList({u"KVX11.00"_s,
                                        u"Tessary - Generic Edition  - Configuration File"_s,
                                        u"Generate by: Tessary - Generic Edition 1.0.0"_s,
                                        stars,
                                        u"Device"_s,
                                        stars,
                                        u"Lumetto"_s,
                                        stars,
                                        u"Serial Port"_s,
                                        stars,
                                        QString(),
                                        stars,
                                        u"Baudrate"_s,
                                        stars,
                                        u"19200"_s,
                                        stars,
                                        u"Auto-connect"_s,
                                        stars,
                                        u"0"_s,
                                        stars,
                                        u"Language"_s,
                                        stars,
                                        u"(default)"_s,
                                        stars,
                                        u"Player ID"_s,
                                        stars,
                                        u"0"_s,
                                        QString()}));
}

void TestMainWindowSettings::exitWritesTheFile()
{
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    child<QComboBox>("comboBox_ID")->setCurrentIndex(7);
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!window->isVisible());
    window.reset(); // what main() does once the event loop has ended
    QCOMPARE(savedLines().value(26), u"7"_s);
}

void TestMainWindowSettings::loading_data()
{
    QTest::addColumn<QStringList>("changes"); // "line=text"; <pty> stands for the terminal
    QTest::addColumn<bool>("crlf");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<bool>("autoConnect");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("playerId");

    // The base file: Galdris, the third port, 38400, no auto-connect, French, player 42.
    const QString absent = u"/dev/tessary-absent-0"_s;
    const QString third = u"/dev/tessary-absent-2"_s;
    const QString french = u"actionFran_ais"_s;
    const QString defaultMark = u"actionDefault"_s;
    const QString galdris = u"Galdris"_s;
    const QString lumetto = u"Lumetto"_s;
    const auto row = [](const char *tag, const QStringList &changes, bool crlf) -> QTestData & {
        return QTest::newRow(tag) << changes << crlf;
    };
    row("as saved", {}, false) << galdris << third << u"38400"_s << false << french << u"42"_s;
    row("CR LF", {}, true) << galdris << third << u"38400"_s << false << french << u"42"_s;
    row("wrong version", {u"1=KVX11.01"_s}, false)
        << lumetto << absent << u"19200"_s << false << defaultMark << u"0"_s;
    row("rate matched after the profile", {u"15=9600"_s}, false)
        << galdris << third << u"9600"_s << false << french << u"42"_s;
    row("rate of another model", {u"7=Lumetto"_s, u"15=9600"_s}, false)
        << lumetto << third << u"19200"_s << false << french << u"42"_s;
    row("model matches nothing", {u"7=galdris"_s}, false)
        << lumetto << third << u"19200"_s << false << french << u"42"_s;
    row("port gone", {u"11=COM9"_s}, false)
        << galdris << absent << u"38400"_s << false << french << u"42"_s;
    row("player out of range", {u"27=128"_s}, false)
        << galdris << third << u"38400"_s << false << french << u"0"_s;
    row("English", {u"23=English"_s}, false)
        << galdris << third << u"38400"_s << false << u"actionEnglish"_s << u"42"_s;
    row("ends after the port", {u"12-"_s}, false)
        << galdris << third << u"9600"_s << false << defaultMark << u"0"_s;
    row("auto-connect 1, port gone", {u"19=1"_s, u"11=COM9"_s}, false)
        << galdris << absent << u"38400"_s << true << french << u"42"_s;
    row("auto-connect 3 to the terminal", {u"19=3"_s, u"11=<pty>"_s}, false)
        << galdris << u"<pty>"_s << u"38400"_s << true << french << u"42"_s;
}

void TestMainWindowSettings::loading()
{
    QFETCH(QStringList, changes);
    QFETCH(bool, crlf);
    QFETCH(QString, model);
    QFETCH(QString, port);
    QFETCH(QString, rate);
    QFETCH(bool, autoConnect);
    QFETCH(QString, language);
    QFETCH(QString, playerId);

    const QString stars(40, QLatin1Char('*'));
    QStringList lines{u"KVX11.00"_s, u"T  - Configuration File"_s, u"Generate by: T 1.0.0"_s};
    const QStringList values{
        u"Galdris"_s, u"/dev/tessary-absent-2"_s, u"38400"_s, u"0"_s, u"French"_s, u"42"_s};
    for (const QString &value : values)
        lines << stars << u"key"_s << stars << value;
    for (QString change : changes) {
        change.replace(u"<pty>"_s, ptyPath);
        if (change.endsWith(QLatin1Char('-'))) {
            lines = lines.mid(0, change.chopped(1).toInt() - 1);
            continue;
        }
        lines[change.section(QLatin1Char('='), 0, 0).toInt() - 1] =
            change.section(QLatin1Char('='), 1);
    }
    writeSettings(lines, crlf ? u"\r\n"_s : u"\n"_s);
    port.replace(u"<pty>"_s, ptyPath);

    window = std::make_unique<MainWindow>();
    QCOMPARE(child<QComboBox>("comboBox_Device")->currentText(), model);
    QCOMPARE(child<QComboBox>("comboBox_Folder")->count(),
             model == QLatin1String("Galdris") ? 128 : 1000);
    QCOMPARE(child<QComboBox>("comboBox_Serial_Port")->currentText(), port);
    QCOMPARE(child<QComboBox>("comboBox_Serial_Baudrate")->currentText(), rate);
    QCOMPARE(child<QCheckBox>("checkBox_AutoConnect")->isChecked(), autoConnect);
    QCOMPARE(markedLanguage(), language);
    QCOMPARE(child<QComboBox>("comboBox_ID")->currentText(), playerId);

    // With auto-connect the saved (or first) port is opened at once, and a failure says why.
    const QString status = child<QLabel>("label_Status")->text();
    if (!autoConnect)
        QCOMPARE(status, u"..."_s);
    else if (port == ptyPath)
        QCOMPARE(status, u"Open"_s);
    else
        QVERIFY2(status.startsWith(u"Open failed: "_s), qPrintable(status));
    QCOMPARE(serialPort->isOpen(), autoConnect && port == ptyPath);
}

QTEST_MAIN(TestMainWindowSettings)
#include "tst_mainwindowsettings.moc"
