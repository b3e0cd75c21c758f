#include "globals.h"
#include "mainwindow.h"
#include "pseudoterminal.h"
#include "windowtesting.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>
#include <QSlider>
#include <QTest>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;

// What reaches the line when the user works the window, over a real pseudo-terminal.
class TestMainWindowCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void commands_data();
    void commands();
    void shortcutsWhereverTheFocusIs_data();
    void shortcutsWhereverTheFocusIs();
    void volume_data();
    void volume();
    void dragSendsOneFramePerValue();
    void closedPortSendsNothing();
    void lineSettings_data();
    void lineSettings();
    void modelChangeWhileOpen_data();
    void modelChangeWhileOpen();
    void modelChangePullsVolumeUp();
    void failedOpen_data();
    void failedOpen();
    void refusedFrameIsMarked();

private:
    template <typename T> T *child(const char *name) const
    {
        return WindowTesting::child<T>(window.get(), name);
    }
    void connectTo(const QString &port) { WindowTesting::connectTo(window.get(), port); }
    void chooseModel(int index);
    void setCurrentText(const char *list, const QString &text);
    QString status() const { return child<QLabel>("label_Status")->text(); }
    QByteArray receive(int count);
    bool isClosedArrangement() const { return WindowTesting::isClosedArrangement(window.get()); }

    std::unique_ptr<PseudoTerminal> line;
    std::unique_ptr<MainWindow> window;
};

void TestMainWindowCommands::initTestCase()
{
    WindowTesting::prepare();
}

void TestMainWindowCommands::init()
{
    WindowTesting::forgetSettings();
    line = std::make_unique<PseudoTerminal>();
    QVERIFY(line->isValid());
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
}

void TestMainWindowCommands::cleanup()
{
    window.reset();
    // The program leaves its port open at exit; each test starts from a closed one.
    serialPort->close();
    line.reset();
}

// As the user's choice in the list: only activated() tells the window about it.
void TestMainWindowCommands::chooseModel(int index)
{
    auto *models = child<QComboBox>("comboBox_Device");
    models->setCurrentIndex(index);
    emit models->activated(index);
}

void TestMainWindowCommands::setCurrentText(const char *list, const QString &text)
{
    auto *combo = child<QComboBox>(list);
    const int index = combo->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    combo->setCurrentIndex(index);
}

// A button's own shortcut clicks it a moment later, so the event loop runs while waiting.
QByteArray TestMainWindowCommands::receive(int count)
{
    QByteArray data;
    for (int waited = 0; data.size() < count && waited < 2000; waited += 10) {
        data += line->read(count - data.size(), 0);
        if (data.size() < count)
            QTest::qWait(10);
    }
    return data;
}

void TestMainWindowCommands::commands_data()
{
    QTest::addColumn<QString>("playerId");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key"); // a Ctrl shortcut when there is no button
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QString>("echo");

    const auto row = [](const char *tag, const char *id, const char *folder, const char *button,
                        int key, const char *hex, const char *echo) {
        QTest::newRow(tag) << QString::fromLatin1(id) << QString::fromLatin1(folder)
                           << QString::fromLatin1(button) << key << QByteArray::fromHex(hex)
                           << QString::fromLatin1(echo);
    };
    row("play", "5", "0", "pushButton_Play", 0, "85020100", "Play : 0x85 0x2 0x1");
    row("stop", "5", "0", "pushButton_Stop", 0, "85020200", "Stop : 0x85 0x2 0x2");
    row("next", "5", "0", "pushButton_Next", 0, "85020300", "Next : 0x85 0x2 0x3");
    row("previous", "5", "0", "pushButton_Previous", 0, "85020400", "Previous : 0x85 0x2 0x4");
    row("play player 0", "0", "0", "pushButton_Play", 0, "80020100", "Play : 0x80 0x2 0x1");
    row("play player 127", "127", "0", "pushButton_Play", 0, "ff020100", "Play : 0xff 0x2 0x1");
    row("load folder 0", "5", "0", "pushButton_Folder_Load", 0, "85010000",
        "Load folder : 0x85 0x1 0x0");
    row("load folder 127", "5", "127", "pushButton_Folder_Load", 0, "85017f00",
        "Load folder : 0x85 0x1 0x7f");
    row("load folder 128", "5", "128", "pushButton_Folder_Load", 0, "85110000",
        "Load folder : 0x85 0x11 0x0");
    row("load folder 300", "5", "300", "pushButton_Folder_Load", 0, "85212c00",
        "Load folder : 0x85 0x21 0x2c");
    row("load folder 999 player 127", "127", "999", "pushButton_Folder_Load", 0, "ff716700",
        "Load folder : 0xff 0x71 0x67");
    row("ctrl+3", "5", "0", "", Qt::Key_3, "85010300", "Load folder : 0x85 0x1 0x3");
    row("ctrl+0 ignores the folder list", "5", "57", "", Qt::Key_0, "85010000",
        "Load folder : 0x85 0x1 0x0");
    row("ctrl+9 player 0", "0", "0", "", Qt::Key_9, "80010900", "Load folder : 0x80 0x1 0x9");
}

void TestMainWindowCommands::commands()
{
    QFETCH(QString, playerId);
    QFETCH(QString, folder);
    QFETCH(QString, button);
    QFETCH(int, key);
    QFETCH(QByteArray, wire);
    QFETCH(QString, echo);

    connectTo(line->slavePath());
    QCOMPARE(status(), u"Open"_s);
    setCurrentText("comboBox_ID", playerId);
    setCurrentText("comboBox_Folder", folder);

    if (button.isEmpty())
        QTest::keyClick(window.get(), Qt::Key(key), Qt::ControlModifier);
    else
        QTest::mouseClick(window->findChild<QPushButton *>(button), Qt::LeftButton);

    QCOMPARE(line->read(4), wire);
    QCOMPARE(line->readAll(), QByteArray());
    QCOMPARE(status(), echo);
}

void TestMainWindowCommands::shortcutsWhereverTheFocusIs_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QByteArray>("wire");

    const int ctrl = Qt::ControlModifier;
    const int ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
    const QStringList focuses{u"comboBox_Device"_s, u"comboBox_ID"_s, u"comboBox_Folder"_s,
                              u"horizontalSlider_All"_s, u"pushButton_Close"_s};
    struct Key
    {
        const char *name;
        int key;
        int modifiers;
        const char *hex;
    };
    // Player 0; the slider starts at -10 on the first model.
    const Key keys[] = {
        {"ctrl+return", Qt::Key_Return, ctrl, "80020100"},
        {"ctrl+space", Qt::Key_Space, ctrl, "80020200"},
        {"ctrl+right", Qt::Key_Right, ctrl, "80020300"},
        {"ctrl+left", Qt::Key_Left, ctrl, "80020400"},
        {"ctrl+alt+plus", Qt::Key_Plus, ctrlAlt,
         "8003"
         "1f00"},
        {"ctrl+alt+minus", Qt::Key_Minus, ctrlAlt, "80030000"},
        {"ctrl+plus", Qt::Key_Plus, ctrl, "80031600"},
        {"ctrl+minus", Qt::Key_Minus, ctrl, "80031400"},
        {"ctrl+0", Qt::Key_0, ctrl, "80010000"},
        {"ctrl+1", Qt::Key_1, ctrl, "80010100"},
        {"ctrl+2", Qt::Key_2, ctrl, "80010200"},
        {"ctrl+3", Qt::Key_3, ctrl, "80010300"},
        {"ctrl+4", Qt::Key_4, ctrl, "80010400"},
        {"ctrl+5", Qt::Key_5, ctrl, "80010500"},
        {"ctrl+6", Qt::Key_6, ctrl, "80010600"},
        {"ctrl+7", Qt::Key_7, ctrl, "80010700"},
        {"ctrl+8", Qt::Key_8, ctrl, "80010800"},
        {"ctrl+9", Qt::Key_9, ctrl, "80010900"},
    };
    for (const Key &k : keys)
        for (const QString &focus : focuses)
            QTest::addRow("%s in %s", k.name, qPrintable(focus))
                << focus << k.key << k.modifiers << QByteArray::fromHex(k.hex);
}

void TestMainWindowCommands::shortcutsWhereverTheFocusIs()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QByteArray, wire);

    connectTo(line->slavePath());
    child<QSlider>("horizontalSlider_All")->setValue(-10);
    line->readAll();
    QWidget *target = window->findChild<QWidget *>(focus);
    target->setFocus();
    QVERIFY(target->hasFocus());

    QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(receive(4), wire);
    QCOMPARE(line->readAll(), QByteArray());
}

void TestMainWindowCommands::volume_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QByteArray>("levels"); // one byte per frame expected at the line
    QTest::addColumn<QString>("label");

    const auto row = [](const char *tag, int model, int start, const char *action,
                        const char *levels, const char *label) {
        QTest::newRow(tag) << model << start << QString::fromLatin1(action)
                           << QByteArray::fromHex(levels) << QString::fromLatin1(label);
    };
    row("short range to mute", 0, -20, "value -31", "00", "Mute");
    row("short range one above mute", 0, -20, "value -30", "01", "-30 dB");
    row("short range to top", 0, -20, "value 0", "1f", "0 dB");
    row("long range to mute", 1, -20, "value -64", "00", "Mute");
    row("long range to top", 1, -20, "value 0", "40", "0 dB");
    row("max at top", 1, 0, "max", "", "");
    row("increase at top", 0, 0, "increase", "", "");
    row("min at mute", 1, -64, "min", "", "");
    row("decrease at mute", 0, -31, "decrease", "", "");
    row("max", 2, -40, "max", "40", "0 dB");
    row("min", 2, -40, "min", "00", "Mute");
    row("increase from mute", 1, -64, "increase", "01", "-63 dB");
    row("decrease from top", 0, 0, "decrease", "1e", "-1 dB");
}

void TestMainWindowCommands::volume()
{
    QFETCH(int, model);
    QFETCH(int, start);
    QFETCH(QString, action);
    QFETCH(QByteArray, levels);
    QFETCH(QString, label);

    chooseModel(model);
    auto *slider = child<QSlider>("horizontalSlider_All");
    slider->setValue(start);
    connectTo(line->slavePath());
    QCOMPARE(line->readAll(), QByteArray()); // connecting sends no volume
    const QString labelBefore = child<QLabel>("label_Volume_Value_All")->text();
    const QString statusBefore = status();

    if (action == QLatin1String("max"))
        QTest::mouseClick(child<QPushButton>("pushButton_All_Max"), Qt::LeftButton);
    else if (action == QLatin1String("min"))
        QTest::mouseClick(child<QPushButton>("pushButton_All_Min"), Qt::LeftButton);
    else if (action == QLatin1String("increase"))
        QTest::keyClick(window.get(), Qt::Key_Plus, Qt::ControlModifier);
    else if (action == QLatin1String("decrease"))
        QTest::keyClick(window.get(), Qt::Key_Minus, Qt::ControlModifier);
    else
        slider->setValue(action.section(QLatin1Char(' '), 1).toInt());

    QByteArray expected;
    for (const char level : levels)
        expected += QByteArray::fromHex("8003") + level + '\0';
    QCOMPARE(line->readAll(), expected);
    if (levels.isEmpty()) {
        QCOMPARE(child<QLabel>("label_Volume_Value_All")->text(), labelBefore);
        QCOMPARE(status(), statusBefore);
    } else {
        QCOMPARE(child<QLabel>("label_Volume_Value_All")->text(), label);
        QCOMPARE(status(), u"Volume : 0x80 0x3 0x"_s + QString::number(quint8(levels.back()), 16));
    }
}

void TestMainWindowCommands::dragSendsOneFramePerValue()
{
    chooseModel(1);
    connectTo(line->slavePath());
    setCurrentText("comboBox_ID", u"5"_s);
    auto *slider = child<QSlider>("horizontalSlider_All");
    slider->setFocus();
    // Walk the handle from the top to mute and back, one value at a time.
    for (int i = 0; i < 64; ++i)
        QTest::keyClick(slider, Qt::Key_Left);
    for (int i = 0; i < 64; ++i)
        QTest::keyClick(slider, Qt::Key_Right);
    QByteArray expected;
    for (int level = 63; level >= 0; --level)
        expected += QByteArray::fromHex("8503") + char(level) + '\0';
    for (int level = 1; level <= 64; ++level)
        expected += QByteArray::fromHex("8503") + char(level) + '\0';
    QCOMPARE(line->readAll(), expected);
}

void TestMainWindowCommands::closedPortSendsNothing()
{
    connectTo(line->slavePath());
    QTest::mouseClick(child<QPushButton>("pushButton_Close"), Qt::LeftButton);
    QCOMPARE(status(), u"Close"_s);
    QVERIFY(isClosedArrangement());

    auto *slider = child<QSlider>("horizontalSlider_All");
    for (const int key : {Qt::Key_5, Qt::Key_0, Qt::Key_Minus, Qt::Key_Minus, Qt::Key_Plus})
        QTest::keyClick(window.get(), Qt::Key(key), Qt::ControlModifier);
    // The volume keys still move the level, but nothing goes out and the status stays.
    QCOMPARE(slider->value(), -1);
    QCOMPARE(child<QLabel>("label_Volume_Value_All")->text(), u"-1 dB"_s);
    QCOMPARE(status(), u"Close"_s);
    QCOMPARE(line->readAll(), QByteArray());
}

void TestMainWindowCommands::lineSettings_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<int>("speed");

    QTest::newRow("Lumetto 19200") << 0 << u"19200"_s << int(B19200);
    QTest::newRow("Galdris 9600") << 1 << u"9600"_s << int(B9600);
    QTest::newRow("Galdris 19200") << 1 << u"19200"_s << int(B19200);
    QTest::newRow("Galdris 38400") << 1 << u"38400"_s << int(B38400);
    QTest::newRow("Lumetto MKII 9600") << 2 << u"9600"_s << int(B9600);
    QTest::newRow("Lumetto MKII 19200") << 2 << u"19200"_s << int(B19200);
    QTest::newRow("Lumetto MKII 38400") << 2 << u"38400"_s << int(B38400);
}

void TestMainWindowCommands::lineSettings()
{
    QFETCH(int, model);
    QFETCH(QString, rate);
    QFETCH(int, speed);

    // The line was left by someone else at 300 baud, 7E2, hardware handshake, cooked output.
    termios other = line->slaveSettings();
    other.c_cflag = (other.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB | CRTSCTS;
    other.c_oflag |= OPOST | ONLCR;
    cfsetspeed(&other, B300);
    QVERIFY(line->setSlaveSettings(other));

    chooseModel(model);
    setCurrentText("comboBox_Serial_Baudrate", rate);
    connectTo(line->slavePath());
    QCOMPARE(status(), u"Open"_s);

    const termios settings = line->slaveSettings();
    QCOMPARE(int(cfgetospeed(&settings)), speed);
    QCOMPARE(settings.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(settings.c_cflag & PARENB, tcflag_t(0));
    QCOMPARE(settings.c_cflag & CSTOPB, tcflag_t(0));
    QCOMPARE(settings.c_cflag & CRTSCTS, tcflag_t(0));
    QCOMPARE(settings.c_oflag & OPOST, tcflag_t(0));
}

void TestMainWindowCommands::modelChangeWhileOpen_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("folders");
    QTest::addColumn<QStringList>("rates");
    QTest::addColumn<int>("minimum");

    const QStringList three{u"9600"_s, u"19200"_s, u"38400"_s};
    QTest::newRow("to Galdris") << 0 << 1 << 128 << three << -64;
    QTest::newRow("Galdris to Lumetto MKII") << 1 << 2 << 1000 << three << -64;
    QTest::newRow("Lumetto MKII to Lumetto") << 2 << 0 << 1000 << QStringList{u"19200"_s} << -31;
    QTest::newRow("Galdris again") << 1 << 1 << 128 << three << -64;
}

void TestMainWindowCommands::modelChangeWhileOpen()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, folders);
    QFETCH(QStringList, rates);
    QFETCH(int, minimum);

    chooseModel(from);
    connectTo(line->slavePath());
    setCurrentText("comboBox_Folder", u"100"_s);
    setCurrentText("comboBox_ID", u"42"_s);

    chooseModel(to);
    QVERIFY(!serialPort->isOpen());
    QVERIFY(isClosedArrangement());
    QCOMPARE(status(), u"..."_s);
    auto *folder = child<QComboBox>("comboBox_Folder");
    QCOMPARE(folder->count(), folders);
    QCOMPARE(folder->itemText(folders - 1), QString::number(folders - 1));
    QCOMPARE(folder->currentText(), u"0"_s);
    auto *rate = child<QComboBox>("comboBox_Serial_Baudrate");
    QStringList listed;
    for (int i = 0; i < rate->count(); ++i)
        listed << rate->itemText(i);
    QCOMPARE(listed, rates);
    QCOMPARE(rate->currentText(), u"19200"_s);
    QCOMPARE(child<QSlider>("horizontalSlider_All")->minimum(), minimum);
    QCOMPARE(child<QSlider>("horizontalSlider_All")->maximum(), 0);
    QCOMPARE(child<QComboBox>("comboBox_ID")->count(), 128);
    QCOMPARE(child<QComboBox>("comboBox_ID")->currentText(), u"42"_s);
    QCOMPARE(line->readAll(), QByteArray());
}

void TestMainWindowCommands::modelChangePullsVolumeUp()
{
    chooseModel(1);
    auto *slider = child<QSlider>("horizontalSlider_All");
    slider->setValue(-50);
    connectTo(line->slavePath());
    chooseModel(0);
    QCOMPARE(slider->value(), -31);
    QCOMPARE(child<QLabel>("label_Volume_Value_All")->text(), u"Mute"_s);
    // The port closed before the range narrowed, so the player heard nothing.
    QCOMPARE(line->readAll(), QByteArray());

    // Widening the range leaves the value and its label alone.
    chooseModel(2);
    QCOMPARE(slider->value(), -31);
    QCOMPARE(child<QLabel>("label_Volume_Value_All")->text(), u"Mute"_s);
}

void TestMainWindowCommands::failedOpen_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("reason"); // the system's words unless given
    QTest::newRow("absent device") << u"/dev/tessary-no-such-port"_s << QString();
    QTest::newRow("not a terminal") << u"/dev/null"_s << QString();
    QTest::newRow("no port listed") << QString() << u"no serial port found"_s;
}

void TestMainWindowCommands::failedOpen()
{
    QFETCH(QString, port);
    QFETCH(QString, reason);
    if (port.isEmpty()) {
        child<QComboBox>("comboBox_Serial_Port")->clear();
        QTest::mouseClick(child<QPushButton>("pushButton_Open"), Qt::LeftButton);
    } else {
        connectTo(port);
    }
    QVERIFY(status().startsWith(u"Open failed: "_s));
    QVERIFY(status().size() > u"Open failed: "_s.size());
    if (!reason.isEmpty())
        QCOMPARE(status(), u"Open failed: "_s + reason);
    QVERIFY(!serialPort->isOpen());
    QVERIFY(isClosedArrangement());
}

void TestMainWindowCommands::refusedFrameIsMarked()
{
    connectTo(line->slavePath());
    // Fill the line's queue from a second writer, so the next frame finds no room.
    const int writer = ::open(qPrintable(line->slavePath()), O_WRONLY | O_NONBLOCK | O_NOCTTY);
    QVERIFY(writer >= 0);
    const char filler[256] = {};
    qsizetype queued = 0;
    // The kernel moves queued bytes on towards the master a moment after they are written,
    // which makes room again: fill until the queue stays full.
    for (int quiet = 0; quiet < 3;) {
        qsizetype taken = 0;
        for (ssize_t n; (n = ::write(writer, filler, sizeof filler)) > 0;)
            taken += n;
        queued += taken;
        quiet = taken > 0 ? 0 : quiet + 1;
        QTest::qSleep(20);
    }
    ::close(writer);

    QTest::mouseClick(child<QPushButton>("pushButton_Play"), Qt::LeftButton);
    QCOMPARE(status(), u"Play : 0x80 0x2 0x1 (not sent)"_s);
    QVERIFY(serialPort->isOpen());
    // The refused frame is dropped rather than left to reach the player late.
    const QByteArray arrived = line->readAll(200);
    QVERIFY(arrived.size() <= queued);
    QCOMPARE(arrived.count('\x80'), 0);
    QTest::mouseClick(child<QPushButton>("pushButton_Stop"), Qt::LeftButton);
    QCOMPARE(status(), u"Stop : 0x80 0x2 0x2"_s);
    QCOMPARE(line->read(4), QByteArray::fromHex("80020200"));
}

QTEST_MAIN(TestMainWindowCommands)
#include "tst_mainwindowcommands.moc"
