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

namespace {

// The ports the window finds at start: a pseudo-terminal between two names that open nothing.
QString ptyPath;
QStringList listedPorts()
{
    return {QStringLiteral("/dev/tessary-absent-0"), ptyPath,
            QStringLiteral("/dev/tessary-absent-2")};
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
    void writeSettings(const QStringList &lines, const QString &lineEnd = QStringLiteral("\n"));
    QString markedLanguage() const;

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

QString TestMainWindowSettings::markedLanguage() const
{
    QStringList marked;
    for (const char *name : {"actionDefault", "actionEnglish", "actionFran_ais"}) {
        if (child<QAction>(name)->isChecked())
            marked << QString::fromLatin1(name);
    }
    return marked.join(QLatin1Char(','));
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
    QCOMPARE(lines.at(6), QStringLiteral("Galdris"));
    QCOMPARE(lines.at(10), ptyPath);
    QCOMPARE(lines.at(14), QStringLiteral("38400"));
    QCOMPARE(lines.at(18), QStringLiteral("1"));
    QCOMPARE(lines.at(22), QStringLiteral("English"));
    QCOMPARE(lines.at(26), QStringLiteral("42"));
    QCOMPARE(lines.at(27), QString());

    // The next start brings everything back and connects by itself, at the saved rate.
    window = std::make_unique<MainWindow>();
    QCOMPARE(child<QComboBox>("comboBox_Device")->currentText(), QStringLiteral("Galdris"));
    QCOMPARE(child<QComboBox>("comboBox_Folder")->count(), 128);
    QCOMPARE(child<QComboBox>("comboBox_Serial_Port")->currentText(), ptyPath);
    QCOMPARE(child<QComboBox>("comboBox_Serial_Baudrate")->currentText(), QStringLiteral("38400"));
    QVERIFY(child<QCheckBox>("checkBox_AutoConnect")->isChecked());
    QCOMPARE(markedLanguage(), QStringLiteral("actionEnglish"));
    QCOMPARE(child<QComboBox>("comboBox_ID")->currentText(), QStringLiteral("42"));
    QVERIFY(serialPort->isOpen());
    QCOMPARE(child<QLabel>("label_Status")->text(), QStringLiteral("Open"));
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
    QCOMPARE(savedLines(),
             QStringList({QStringLiteral("KVX11.00"),
                          QStringLiteral("Tessary - Generic Edition  - Configuration File"),
                          QStringLiteral("Generate by: Tessary - Generic Edition 1.0.0"),
                          stars,
                          QStringLiteral("Device"),
                          stars,
                          QStringLiteral("Lumetto"),
                          stars,
                          QStringLiteral("Serial Port"),
                          stars,
                          QString(),
                          stars,
                          QStringLiteral("Baudrate"),
                          stars,
                          QStringLiteral("19200"),
                          stars,
                          QStringLiteral("Auto-connect"),
                          stars,
                          QStringLiteral("0"),
                          stars,
                          QStringLiteral("Language"),
                          stars,
                          QStringLiteral("(default)"),
                          stars,
                          QStringLiteral("Player ID"),
                          stars,
                          QStringLiteral("0"),
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
    QCOMPARE(savedLines().value(26), QStringLiteral("7"));
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
    const QString absent = QStringLiteral("/dev/tessary-absent-0");
    const QString third = QStringLiteral("/dev/tessary-absent-2");
    const QString french = QStringLiteral("actionFran_ais");
    const QString defaultMark = QStringLiteral("actionDefault");
    const QString galdris = QStringLiteral("Galdris");
    const QString lumetto = QStringLiteral("Lumetto");
    const auto row = [](const char *tag, const QStringList &changes, bool crlf) -> QTestData & {
        return QTest::newRow(tag) << changes << crlf;
    };
    row("as saved", {}, false) << galdris << third << QStringLiteral("38400") << false << french
                               << QStringLiteral("42");
    row("CR LF", {}, true) << galdris << third << QStringLiteral("38400") << false << french
                           << QStringLiteral("42");
    row("wrong version", {QStringLiteral("1=KVX11.01")}, false)
        << lumetto << absent << QStringLiteral("19200") << false << defaultMark
        << QStringLiteral("0");
    row("rate matched after the profile", {QStringLiteral("15=9600")}, false)
        << galdris << third << QStringLiteral("9600") << false << french << QStringLiteral("42");
    row("rate of another model", {QStringLiteral("7=Lumetto"), QStringLiteral("15=9600")}, false)
        << lumetto << third << QStringLiteral("19200") << false << french << QStringLiteral("42");
    row("model matches nothing", {QStringLiteral("7=galdris")}, false)
        << lumetto << third << QStringLiteral("19200") << false << french << QStringLiteral("42");
    row("port gone", {QStringLiteral("11=COM9")}, false)
        << galdris << absent << QStringLiteral("38400") << false << french << QStringLiteral("42");
    row("player out of range", {QStringLiteral("27=128")}, false)
        << galdris << third << QStringLiteral("38400") << false << french << QStringLiteral("0");
    row("English", {QStringLiteral("23=English")}, false)
        << galdris << third << QStringLiteral("38400") << false << QStringLiteral("actionEnglish")
        << QStringLiteral("42");
    row("ends after the port", {QStringLiteral("12-")}, false)
        << galdris << third << QStringLiteral("9600") << false << defaultMark
        << QStringLiteral("0");
    row("auto-connect 1, port gone", {QStringLiteral("19=1"), QStringLiteral("11=COM9")}, false)
        << galdris << absent << QStringLiteral("38400") << true << french << QStringLiteral("42");
    row("auto-connect 3 to the terminal", {QStringLiteral("19=3"), QStringLiteral("11=<pty>")},
        false)
        << galdris << QStringLiteral("<pty>") << QStringLiteral("38400") << true << french
        << QStringLiteral("42");
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
    QStringList lines{QStringLiteral("KVX11.00"), QStringLiteral("T  - Configuration File"),
                      QStringLiteral("Generate by: T 1.0.0")};
    const QStringList values{QStringLiteral("Galdris"), QStringLiteral("/dev/tessary-absent-2"),
                             QStringLiteral("38400"),   QStringLiteral("0"),
                             QStringLiteral("French"),  QStringLiteral("42")};
    for (const QString &value : values)
        lines << stars << QStringLiteral("key") << stars << value;
    for (QString change : changes) {
        change.replace(QStringLiteral("<pty>"), ptyPath);
        if (change.endsWith(QLatin1Char('-'))) {
            lines = lines.mid(0, change.chopped(1).toInt() - 1);
            continue;
        }
        lines[change.section(QLatin1Char('='), 0, 0).toInt() - 1] =
            change.section(QLatin1Char('='), 1);
    }
    writeSettings(lines, crlf ? QStringLiteral("\r\n") : QStringLiteral("\n"));
    port.replace(QStringLiteral("<pty>"), ptyPath);

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
        QCOMPARE(status, QStringLiteral("..."));
    else if (port == ptyPath)
        QCOMPARE(status, QStringLiteral("Open"));
    else
        QVERIFY2(status.startsWith(QStringLiteral("Open failed: ")), qPrintable(status));
    QCOMPARE(serialPort->isOpen(), autoConnect && port == ptyPath);
}

QTEST_MAIN(TestMainWindowSettings)
#include "tst_mainwindowsettings.moc"
