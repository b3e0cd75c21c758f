#include "mainwindow.h"
#include "windowtesting.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

// The window as it comes up, before any port is opened: its layout, texts, pictures and menus.
class TestMainWindowForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void startsWithoutSettings();
    void formTexts_data();
    void formTexts();
    void menus();
    void pictures_data();
    void pictures();
    void windowIconFromResources();
    void arrangement();
    void exitClosesWindow_data();
    void exitClosesWindow();

private:
    template <typename T> T *child(const char *name) const
    {
        return WindowTesting::child<T>(window.get(), name);
    }

    std::unique_ptr<MainWindow> window;
};

void TestMainWindowForm::initTestCase()
{
    WindowTesting::prepare();
}

void TestMainWindowForm::init()
{
    WindowTesting::forgetSettings();
    window = std::make_unique<MainWindow>();
}

void TestMainWindowForm::cleanup()
{
    window.reset();
}

void TestMainWindowForm::startsWithoutSettings()
{
    QCOMPARE(window->windowTitle(), u"Tessary - Generic Edition"_s);

    auto *device = child<QComboBox>("comboBox_Device");
    QCOMPARE(device->count(), 3);
    QCOMPARE(device->itemText(0), u"Lumetto"_s);
    QCOMPARE(device->itemText(1), u"Galdris"_s);
    QCOMPARE(device->itemText(2), u"Lumetto MKII"_s);
    QCOMPARE(device->currentIndex(), 0);

    auto *folder = child<QComboBox>("comboBox_Folder");
    QCOMPARE(folder->count(), 1000);
    QCOMPARE(folder->currentText(), u"0"_s);
    QCOMPARE(folder->itemText(999), u"999"_s);
    auto *rate = child<QComboBox>("comboBox_Serial_Baudrate");
    QCOMPARE(rate->count(), 1);
    QCOMPARE(rate->currentText(), u"19200"_s);
    auto *slider = child<QSlider>("horizontalSlider_All");
    QCOMPARE(slider->minimum(), -31);
    QCOMPARE(slider->maximum(), 0);
    QCOMPARE(slider->value(), 0);
    QCOMPARE(child<QLabel>("label_Volume_Value_All")->text(), u"-0 dB"_s);
    QCOMPARE(child<QLabel>("label_Status")->text(), u"..."_s);

    auto *ids = child<QComboBox>("comboBox_ID");
    QCOMPARE(ids->count(), 128);
    QCOMPARE(ids->currentText(), u"0"_s);
    QCOMPARE(ids->itemText(127), u"127"_s);
    QVERIFY(!child<QCheckBox>("checkBox_AutoConnect")->isChecked());
    QVERIFY(child<QAction>("actionDefault")->isChecked());
    QVERIFY(!child<QAction>("actionEnglish")->isChecked());
    QVERIFY(!child<QAction>("actionFran_ais")->isChecked());

    // The port is closed: only the connect side of the window takes input.
    for (const char *name : {"pushButton_Open", "comboBox_Serial_Port", "comboBox_Serial_Baudrate",
                             "comboBox_Device", "comboBox_ID", "checkBox_AutoConnect"})
        QVERIFY2(child<QWidget>(name)->isEnabled(), name);
    for (const char *name :
         {"groupBox_Transport", "groupBox_Folder", "groupBox_Volume", "pushButton_Close"})
        QVERIFY2(!child<QWidget>(name)->isEnabled(), name);
}

void TestMainWindowForm::formTexts_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QString>("text");

    const auto row = [](const char *object, const char *property, const char *text) {
        QTest::addRow("%s %s", object, property)
            << QString::fromLatin1(object) << QByteArray(property) << QString::fromUtf8(text);
    };
    row("actionExit", "text", "&Exit");
    row("actionExit", "shortcut", "Ctrl+Q");
    row("actionAbout", "text", "&About");
    row("actionCorvane_Home_Page", "text", "&Corvane Home Page");
    row("actionContact_Technical_Support", "text", "&Contact Technical Support");
    row("actionFran_ais", "text", "Français");
    row("actionEnglish", "text", "English");
    row("actionDefault", "text", "(Default)");
    row("groupBox_Volume", "title", "Volume");
    row("pushButton_All_Max", "toolTip", "Setting volume to maximum");
    row("pushButton_All_Max", "text", "");
    row("pushButton_All_Max", "shortcut", "Ctrl+Alt++");
    row("pushButton_All_Min", "toolTip", "Setting volume to minimum");
    row("pushButton_All_Min", "text", "");
    row("pushButton_All_Min", "shortcut", "Ctrl+Alt+-");
    row("horizontalSlider_All", "toolTip", "Setting volume");
    row("label_Volume_Value_All", "text", "-0 dB");
    row("groupBox_ID", "title", "Player ID");
    row("comboBox_ID", "toolTip", "ID Number");
    row("groupBox_Transport", "title", "Transport");
    row("pushButton_Previous", "toolTip", "Previous File");
    row("pushButton_Previous", "text", "");
    row("pushButton_Previous", "shortcut", "Ctrl+Left");
    row("pushButton_Play", "toolTip", "Play");
    row("pushButton_Play", "text", "");
    row("pushButton_Play", "shortcut", "Ctrl+Return");
    row("pushButton_Stop", "toolTip", "Stop");
    row("pushButton_Stop", "text", "");
    row("pushButton_Stop", "shortcut", "Ctrl+Space");
    row("pushButton_Next", "toolTip", "Next File");
    row("pushButton_Next", "text", "");
    row("pushButton_Next", "shortcut", "Ctrl+Right");
    row("groupBox_Folder", "title", "Folder");
    row("comboBox_Folder", "toolTip", "Folder number");
    row("pushButton_Folder_Load", "toolTip", "Load");
    row("pushButton_Folder_Load", "text", "");
    row("groupBox_Serial", "title", "Serial Port");
    row("pushButton_Open", "toolTip", "Connect");
    row("pushButton_Open", "text", "");
    row("pushButton_Close", "toolTip", "Disconnect");
    row("pushButton_Close", "text", "");
    row("label_Serial_Port", "text", "Port");
    row("comboBox_Serial_Port", "toolTip", "Port name");
    row("label_Serial_Baudrate", "text", "BaudRate");
    row("comboBox_Serial_Baudrate", "toolTip", "Baudrate value");
    row("checkBox_AutoConnect", "toolTip", "Auto-connection");
    row("checkBox_AutoConnect", "text", "Auto-connection");
    row("groupBox_Status", "title", "Status / Command Message");
    row("groupBox_Device", "title", "Device");
    row("label_Device", "text", "Devices");
    row("comboBox_Device", "toolTip", "Device name");
    row("menuFile", "title", "&File");
    row("menuHelp", "title", "&Help");
    row("menuLanguage", "title", "&Languages");
}

void TestMainWindowForm::formTexts()
{
    QFETCH(QString, object);
    QFETCH(QByteArray, property);
    QFETCH(QString, text);

    const QObject *target = window->findChild<QObject *>(object);
    QVERIFY(target);
    const QVariant value = target->property(property.constData());
    QVERIFY(value.isValid());
    if (value.metaType() == QMetaType::fromType<QKeySequence>())
        QCOMPARE(value.value<QKeySequence>(), QKeySequence::fromString(text));
    else
        QCOMPARE(value.toString(), text);
}

void TestMainWindowForm::menus()
{
    const auto entries = [](const QWidget *menu) {
        QStringList texts;
        for (const QAction *action : menu->actions())
            texts << (action->isSeparator() ? u"|"_s : action->text());
        return texts;
    };
    QCOMPARE(entries(window->menuBar()), QStringList({u"&File"_s, u"&Languages"_s, u"&Help"_s}));
    QCOMPARE(entries(child<QMenu>("menuFile")), QStringList{u"&Exit"_s});
    QCOMPARE(entries(child<QMenu>("menuHelp")),
             QStringList(
                 {u"&Corvane Home Page"_s, u"&Contact Technical Support"_s, u"|"_s, u"&About"_s}));
    QCOMPARE(entries(child<QMenu>("menuLanguage")),
             QStringList({u"(Default)"_s, u"|"_s, u"English"_s, u"Français"_s}));
    for (const char *name : {"actionDefault", "actionEnglish", "actionFran_ais"})
        QVERIFY2(child<QAction>(name)->isCheckable(), name);
}

void TestMainWindowForm::pictures_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("file");

    const auto row = [](const char *object, const char *file) {
        QTest::newRow(object) << QString::fromLatin1(object) << QString::fromLatin1(file);
    };
    row("actionExit", "door.png");
    row("actionAbout", "information.png");
    row("actionCorvane_Home_Page", "house.png");
    row("actionContact_Technical_Support", "email_edit.png");
    row("pushButton_All_Max", "sound.png");
    row("pushButton_All_Min", "sound_none.png");
    row("pushButton_Previous", "control_start_blue.png");
    row("pushButton_Play", "control_play_blue.png");
    row("pushButton_Stop", "control_stop_blue.png");
    row("pushButton_Next", "control_end_blue.png");
    row("pushButton_Folder_Load", "control_play_blue.png");
    row("pushButton_Open", "connect.png");
    row("pushButton_Close", "disconnect.png");
}

void TestMainWindowForm::pictures()
{
    QFETCH(QString, object);
    QFETCH(QString, file);

    const QImage image(u":/images/ressources/"_s + file);
    QCOMPARE(image.size(), QSize(16, 16));
    QVERIFY(image.hasAlphaChannel());

    const QObject *target = window->findChild<QObject *>(object);
    QVERIFY(target);
    const QIcon icon = target->property("icon").value<QIcon>();
    QVERIFY(!icon.isNull());
    // The icon shows the very picture of the collection.
    QCOMPARE(icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32),
             image.convertToFormat(QImage::Format_ARGB32));
}

void TestMainWindowForm::windowIconFromResources()
{
    // Whatever the working directory, the window carries its icon.
    QVERIFY(QDir::setCurrent(QDir::tempPath()));
    MainWindow elsewhere;
    QVERIFY(!elsewhere.windowIcon().isNull());
    QVERIFY(!elsewhere.windowIcon().pixmap(32, 32).isNull());
    QCOMPARE(QImage(u":/images/ressources/About.png"_s).size(), QSize(128, 192));
}

void TestMainWindowForm::arrangement()
{
    // Top to bottom: device row, serial row, the three boxes side by side, volume, status.
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const auto top = [this](const char *name) {
        const QWidget *w = child<QWidget>(name);
        return w->mapTo(window.get(), QPoint(0, 0)).y();
    };
    const auto left = [this](const char *name) {
        const QWidget *w = child<QWidget>(name);
        return w->mapTo(window.get(), QPoint(0, 0)).x();
    };
    QVERIFY(top("groupBox_Device") < top("groupBox_Serial"));
    QVERIFY(top("groupBox_Serial") < top("groupBox_ID"));
    QCOMPARE(top("groupBox_Transport"), top("groupBox_ID"));
    QCOMPARE(top("groupBox_Folder"), top("groupBox_ID"));
    QVERIFY(left("groupBox_ID") < left("groupBox_Transport"));
    QVERIFY(left("groupBox_Transport") < left("groupBox_Folder"));
    QVERIFY(top("groupBox_ID") < top("groupBox_Volume"));
    QVERIFY(top("groupBox_Volume") < top("groupBox_Status"));

    const QStringList serialRow{u"pushButton_Open"_s,       u"pushButton_Close"_s,
                                u"label_Serial_Port"_s,     u"comboBox_Serial_Port"_s,
                                u"label_Serial_Baudrate"_s, u"comboBox_Serial_Baudrate"_s,
                                u"checkBox_AutoConnect"_s};
    for (int i = 1; i < serialRow.size(); ++i)
        QVERIFY(left(qPrintable(serialRow[i - 1])) < left(qPrintable(serialRow[i])));
    QVERIFY(left("pushButton_All_Min") < left("horizontalSlider_All"));
    QVERIFY(left("horizontalSlider_All") < left("pushButton_All_Max"));
    QVERIFY(left("pushButton_All_Max") < left("label_Volume_Value_All"));
}

void TestMainWindowForm::exitClosesWindow_data()
{
    QTest::addColumn<QString>("focus");
    QTest::newRow("device list") << u"comboBox_Device"_s;
    QTest::newRow("player list") << u"comboBox_ID"_s;
    QTest::newRow("auto-connect") << u"checkBox_AutoConnect"_s;
}

void TestMainWindowForm::exitClosesWindow()
{
    QFETCH(QString, focus);
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QWidget *target = window->findChild<QWidget *>(focus);
    target->setFocus();
    QTest::keyClick(target, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!window->isVisible());
}

QTEST_MAIN(TestMainWindowForm)
#include "tst_mainwindowform.moc"
