#include "globals.h"
#include "mainwindow.h"
#include "pseudoterminal.h"
#include "randombytes.h"
#include "seriallink.h"
#include "settingsstore.h"
#include "windowtesting.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSerialPort>
#include <QSlider>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QtEndian>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString ptyPath;
QStringList listedPorts()
{
    return {ptyPath, u"/dev/tessary-absent-1"_s};
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Whatever a test left in the settings file's place, file, folder or link.
void clearSettings()
{
    const SettingsStore store = SettingsStore::forApplication();
    for (const QString &path : {store.programFilePath(), store.userFilePath()}) {
        if (QFileInfo(path).isDir() && !QFileInfo(path).isSymLink())
            QDir(path).removeRecursively();
        else
            QFile::remove(path);
    }
}

} // namespace

// The window under faults: a port held elsewhere, a device that goes away, a damaged settings
// file or catalogue. It keeps working, says what happened and loses nothing.
class TestMainWindowFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void portHeldByAnotherProgram();
    void deviceGoneBetweenCommands();
    void deviceGoneWhileDragging();
    void damagedSettingsAtStart_data();
    void damagedSettingsAtStart();
    void damagedCatalogue_data();
    void damagedCatalogue();

private:
    template <typename T> T *child(const char *name) const
    {
        return WindowTesting::child<T>(window.get(), name);
    }
    void start();
    QString status() const { return child<QLabel>("label_Status")->text(); }
    bool isClosedArrangement() const { return WindowTesting::isClosedArrangement(window.get()); }
    void click(const char *button)
    {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }

    std::unique_ptr<PseudoTerminal> line;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<QTemporaryDir> workingDir;
};

void TestMainWindowFaults::initTestCase()
{
    WindowTesting::prepare();
    SerialLink::setPortLister(listedPorts);
}

void TestMainWindowFaults::init()
{
    clearSettings();
    line = std::make_unique<PseudoTerminal>();
    QVERIFY(line->isValid());
    ptyPath = line->slavePath();
    workingDir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir::setCurrent(workingDir->path()));
}

void TestMainWindowFaults::cleanup()
{
    window.reset();
    serialPort->close();
    QCoreApplication::removeTranslator(&translator);
    line.reset();
    clearSettings();
}

void TestMainWindowFaults::start()
{
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
}

void TestMainWindowFaults::portHeldByAnotherProgram()
{
    QProcess holder;
    holder.start(QStringLiteral(TESSARY_PORT_HOLDER), {ptyPath});
    QVERIFY(holder.waitForReadyRead(5000));
    QCOMPARE(holder.readLine(), QByteArray("held\n"));

    start();
    WindowTesting::connectTo(window.get(), ptyPath);
    const QString failed = status();
    QVERIFY2(failed.startsWith(u"Open failed: "_s) && failed.size() > 14, qPrintable(failed));
    QVERIFY(!serialPort->isOpen());
    QVERIFY(isClosedArrangement());
    click("pushButton_Play");
    for (const int key : {Qt::Key_3, Qt::Key_Plus})
        QTest::keyClick(window.get(), Qt::Key(key), Qt::ControlModifier);
    QCOMPARE(line->readAll(), QByteArray());
    QCOMPARE(status(), failed);

    // Once the other program lets go, Connect works.
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(5000));
    click("pushButton_Open");
    QCOMPARE(status(), u"Open"_s);
    click("pushButton_Play");
    QCOMPARE(line->read(4), QByteArray::fromHex("80020100"));
}

void TestMainWindowFaults::deviceGoneBetweenCommands()
{
    start();
    WindowTesting::connectTo(window.get(), ptyPath);
    click("pushButton_Play");
    QCOMPARE(line->read(4), QByteArray::fromHex("80020100"));
    QCOMPARE(status(), u"Play : 0x80 0x2 0x1"_s);

    line->closeMaster();
    click("pushButton_Stop");
    QCOMPARE(status(), u"Connection lost"_s);
    QVERIFY(!serialPort->isOpen());
    QVERIFY(isClosedArrangement());
    // The folder keys no longer claim to send anything.
    QTest::keyClick(window.get(), Qt::Key_4, Qt::ControlModifier);
    QCOMPARE(status(), u"Connection lost"_s);

    PseudoTerminal replacement;
    WindowTesting::connectTo(window.get(), replacement.slavePath());
    QCOMPARE(status(), u"Open"_s);
    click("pushButton_Stop");
    QCOMPARE(replacement.read(4), QByteArray::fromHex("80020200"));
}

void TestMainWindowFaults::deviceGoneWhileDragging()
{
    start();
    WindowTesting::connectTo(window.get(), ptyPath);
    auto *slider = child<QSlider>("horizontalSlider_All");
    const int handle = slider->style()->pixelMetric(QStyle::PM_SliderLength, nullptr, slider);
    const auto at = [slider, handle](int value) {
        const int span = slider->width() - handle;
        return QPoint(
            QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(), value, span) +
                handle / 2,
            slider->height() / 2);
    };
    const int top = slider->value();
    QTest::mousePress(slider, Qt::LeftButton, {}, at(top));
    QVERIFY(slider->isSliderDown());

    // Each value the handle passes goes out as one frame, until the device goes.
    for (int value = top - 1; value >= top - 5; --value)
        QTest::mouseMove(slider, at(value));
    const QByteArray sent = line->readAll();
    const int sentValue = slider->value();
    const int steps = top - sentValue;
    QVERIFY(steps > 0);
    QCOMPARE(sent.size(), 4 * steps);
    for (int i = 1; i < steps; ++i)
        QCOMPARE(sent.mid(4 * i, 4), sent.mid(4 * (i - 1), 2) + char(sent[4 * i - 2] - 1) + '\0');

    line->closeMaster();
    for (int value = slider->value() - 1; value >= slider->value() - 5; --value)
        QTest::mouseMove(slider, at(value));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, at(slider->value()));
    QCOMPARE(status(), u"Connection lost"_s);
    QVERIFY(!serialPort->isOpen());
    QVERIFY(isClosedArrangement());
    QVERIFY(!slider->isSliderDown());

    // On a working line again, the slider sends as before.
    PseudoTerminal replacement;
    WindowTesting::connectTo(window.get(), replacement.slavePath());
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Left);
    const char level = char(sent[sent.size() - 2] - (sentValue - slider->value()));
    QCOMPARE(replacement.read(4), sent.left(2) + level + '\0');
}

void TestMainWindowFaults::damagedSettingsAtStart_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("empty") << u"empty"_s;
    QTest::newRow("random bytes, 200 KB") << u"random"_s;
    QTest::newRow("one line of 10 MB") << u"long line"_s;
    QTest::newRow("right first line, random after") << u"random values"_s;
    QTest::newRow("a folder in its place") << u"folder"_s;
    QTest::newRow("link to nowhere") << u"dangling link"_s;
    QTest::newRow("unreadable") << u"unreadable"_s;
}

// The window starts as on a first start, and what it saves next is read by the start after.
void TestMainWindowFaults::damagedSettingsAtStart()
{
    QFETCH(QString, damage);

    const QString path = SettingsStore::forApplication().programFilePath();
    if (damage == u"empty"_s) {
        QVERIFY(writeBytes(path, {}));
    } else if (damage == u"random"_s) {
        QVERIFY(writeBytes(path, randomBytes(200 * 1024, 1)));
    } else if (damage == u"long line"_s) {
        QVERIFY(writeBytes(path, "KVX11.00" + QByteArray(10 * 1024 * 1024, '9')));
    } else if (damage == u"random values"_s) {
        QByteArray text = "KVX11.00\n";
        for (int line = 2; line <= 27; ++line)
            text += randomBytes(40, quint32(line)).replace('\n', ' ') + '\n';
        QVERIFY(writeBytes(path, text));
    } else if (damage == u"folder"_s) {
        QVERIFY(QDir().mkpath(path));
    } else if (damage == u"dangling link"_s) {
        QVERIFY(QFile::link(workingDir->filePath(u"gone/settings.cfg"_s), path));
    } else if (damage == u"unreadable"_s) {
        if (geteuid() == 0)
            QSKIP("root reads every file; the store's own test covers this as another user");
        QVERIFY(writeBytes(path, "KVX11.00\n"));
        QVERIFY(chmod(qPrintable(path), 0) == 0);
    }

    start();
    QCOMPARE(child<QComboBox>("comboBox_Device")->currentText(), u"Lumetto"_s);
    QCOMPARE(child<QComboBox>("comboBox_Serial_Port")->currentIndex(), 0);
    QCOMPARE(child<QComboBox>("comboBox_Serial_Baudrate")->currentText(), u"19200"_s);
    QVERIFY(!child<QCheckBox>("checkBox_AutoConnect")->isChecked());
    QCOMPARE(WindowTesting::markedLanguage(window.get()), u"actionDefault"_s);
    QCOMPARE(child<QComboBox>("comboBox_ID")->currentText(), u"0"_s);
    QVERIFY(!serialPort->isOpen());

    child<QComboBox>("comboBox_ID")->setCurrentIndex(7);
    window.reset();
    start();
    QCOMPARE(child<QComboBox>("comboBox_ID")->currentText(), u"7"_s);
}

void TestMainWindowFaults::damagedCatalogue_data()
{
    QFile built(QStringLiteral(TESSARY_QM_DIR "/LanguageData_fr.qm"));
    QVERIFY(built.open(QIODevice::ReadOnly));
    const QByteArray catalogue = built.readAll();
    // The first message's offset in the hash table, after the magic number and the first
    // blocks, made to point far past the file: QTranslator reads there at the first lookup.
    QByteArray farOffset = catalogue;
    const qsizetype hashes = farOffset.indexOf(QByteArray::fromHex("42000002")) + 5;
    QVERIFY(hashes > 16);
    qToBigEndian(quint32(0x7ffffff0), farOffset.data() + hashes + 4);

    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("cut in half") << catalogue.left(catalogue.size() / 2);
    QTest::newRow("offset far past the end") << farOffset;
    QTest::newRow("random bytes after the magic number")
        << catalogue.left(16) + randomBytes(4096, 16);
}

void TestMainWindowFaults::damagedCatalogue()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(writeBytes(workingDir->filePath(u"LanguageData_fr.qm"_s), bytes));

    start();
    child<QAction>("actionFran_ais")->trigger();
    QCOMPARE(WindowTesting::markedLanguage(window.get()), u"actionFran_ais"_s);
    QCOMPARE(child<QMenu>("menuFile")->title(), u"&File"_s);
    QCOMPARE(child<QPushButton>("pushButton_Play")->toolTip(), u"Play"_s);
    click("pushButton_Open");
    QVERIFY(status().startsWith(u"Open"_s));
}

QTEST_MAIN(TestMainWindowFaults)
#include "tst_mainwindowfaults.moc"
