#include "globals.h"
#include "mainwindow.h"
#include "pseudoterminal.h"
#include "settingsstore.h"
#include "windowtesting.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSerialPort>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <memory>

// The interface in the system's language, English or French, wherever the catalogues are.
class TestMainWindowLanguage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void catalogueLocations_data();
    void catalogueLocations();
    void marksStayExclusive();
    void savedLanguageAtStart();
    void statusAndLevelAfterChange();
    void defaultFollowsTheSystem();

private:
    template <typename T> T *child(const char *name) const
    {
        return WindowTesting::child<T>(window.get(), name);
    }
    bool copyCatalogue(const QString &language, const QString &directory);
    bool showsFrench() const;
    QString markedLanguage() const;

    std::unique_ptr<QTemporaryDir> workingDir;
    std::unique_ptr<MainWindow> window;
    QStringList copies;
    QString installedDir;
};

void TestMainWindowLanguage::initTestCase()
{
    WindowTesting::prepare();
    QVERIFY(QFile::exists(QStringLiteral(TESSARY_QM_DIR "/LanguageData_fr.qm")));
    installedDir = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                   QStringLiteral("/../share/tessary/translations"));
}

void TestMainWindowLanguage::init()
{
    WindowTesting::forgetSettings();
    workingDir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir::setCurrent(workingDir->path()));
}

void TestMainWindowLanguage::cleanup()
{
    window.reset();
    serialPort->close();
    QCoreApplication::removeTranslator(&translator);
    for (const QString &copy : std::as_const(copies))
        QFile::remove(copy);
    copies.clear();
    QDir(installedDir).removeRecursively();
    WindowTesting::forgetSettings();
}

bool TestMainWindowLanguage::copyCatalogue(const QString &language, const QString &directory)
{
    const QString name = QStringLiteral("LanguageData_%1.qm").arg(language);
    QDir().mkpath(directory);
    const QString target = QDir(directory).filePath(name);
    copies << target;
    return QFile::copy(QStringLiteral(TESSARY_QM_DIR "/") + name, target);
}

bool TestMainWindowLanguage::showsFrench() const
{
    const bool french = child<QMenu>("menuFile")->title() == QStringLiteral("&Fichier");
    // Titles, tooltips and menus change together; the keys stay.
    if (french != (child<QPushButton>("pushButton_Play")->toolTip() == QStringLiteral("Lire")) ||
        french !=
            (child<QAction>("actionDefault")->text() == QStringLiteral("(Langue du système)")))
        qFatal("half-translated window");
    if (child<QPushButton>("pushButton_Play")->shortcut() !=
        QKeySequence(Qt::CTRL | Qt::Key_Return))
        qFatal("a translation moved a shortcut");
    return french;
}

QString TestMainWindowLanguage::markedLanguage() const
{
    QStringList marked;
    for (const char *name : {"actionDefault", "actionEnglish", "actionFran_ais"}) {
        if (child<QAction>(name)->isChecked())
            marked << QString::fromLatin1(name);
    }
    return marked.join(QLatin1Char(','));
}

void TestMainWindowLanguage::catalogueLocations_data()
{
    QTest::addColumn<QString>("location");
    QTest::addColumn<bool>("french");
    QTest::newRow("working directory") << QStringLiteral("working") << true;
    QTest::newRow("beside the executable") << QStringLiteral("program") << true;
    QTest::newRow("installed folder") << QStringLiteral("installed") << true;
    QTest::newRow("absent") << QString() << false;
}

void TestMainWindowLanguage::catalogueLocations()
{
    QFETCH(QString, location);
    QFETCH(bool, french);

    if (location == QLatin1String("working"))
        QVERIFY(copyCatalogue(QStringLiteral("fr"), workingDir->path()));
    else if (location == QLatin1String("program"))
        QVERIFY(copyCatalogue(QStringLiteral("fr"), QCoreApplication::applicationDirPath()));
    else if (location == QLatin1String("installed"))
        QVERIFY(copyCatalogue(QStringLiteral("fr"), installedDir));

    window = std::make_unique<MainWindow>();
    QVERIFY(!showsFrench());
    child<QAction>("actionFran_ais")->trigger();
    QCOMPARE(showsFrench(), french);
    QCOMPARE(markedLanguage(), QStringLiteral("actionFran_ais"));
    child<QAction>("actionEnglish")->trigger();
    QVERIFY(!showsFrench());
    QCOMPARE(window->windowTitle(), QStringLiteral("Tessary - Generic Edition"));
}

void TestMainWindowLanguage::marksStayExclusive()
{
    QVERIFY(copyCatalogue(QStringLiteral("fr"), workingDir->path()));
    window = std::make_unique<MainWindow>();
    const struct
    {
        const char *action;
        bool french;
    } steps[] = {{"actionFran_ais", true}, {"actionFran_ais", true}, {"actionDefault", false},
                 {"actionDefault", false}, {"actionEnglish", false}, {"actionEnglish", false},
                 {"actionFran_ais", true}};
    for (const auto &step : steps) {
        child<QAction>(step.action)->trigger();
        QCOMPARE(markedLanguage(), QString::fromLatin1(step.action));
        QCOMPARE(showsFrench(), step.french);
    }
}

void TestMainWindowLanguage::savedLanguageAtStart()
{
    QVERIFY(copyCatalogue(QStringLiteral("fr"), workingDir->path()));
    window = std::make_unique<MainWindow>();
    child<QAction>("actionFran_ais")->trigger();
    window.reset();
    QCoreApplication::removeTranslator(&translator);

    window = std::make_unique<MainWindow>();
    QCOMPARE(markedLanguage(), QStringLiteral("actionFran_ais"));
    QVERIFY(showsFrench());
}

void TestMainWindowLanguage::statusAndLevelAfterChange()
{
    QVERIFY(copyCatalogue(QStringLiteral("fr"), workingDir->path()));
    PseudoTerminal line;
    window = std::make_unique<MainWindow>();
    auto *ports = child<QComboBox>("comboBox_Serial_Port");
    ports->addItem(line.slavePath());
    ports->setCurrentIndex(ports->count() - 1);
    QTest::mouseClick(child<QPushButton>("pushButton_Open"), Qt::LeftButton);
    auto *slider = child<QSlider>("horizontalSlider_All");
    auto *level = child<QLabel>("label_Volume_Value_All");
    auto *status = child<QLabel>("label_Status");
    slider->setValue(-12);
    QCOMPARE(status->text(), QStringLiteral("Volume : 0x80 0x3 0x13"));

    child<QAction>("actionFran_ais")->trigger();
    QCOMPARE(status->text(), QStringLiteral("..."));
    QCOMPARE(level->text(), QStringLiteral("-12 dB"));
    QTest::mouseClick(child<QPushButton>("pushButton_Play"), Qt::LeftButton);
    QCOMPARE(status->text(), QStringLiteral("Lire : 0x80 0x2 0x1"));
    QTest::mouseClick(child<QPushButton>("pushButton_All_Min"), Qt::LeftButton);
    QCOMPARE(level->text(), QStringLiteral("Muet"));
    QTest::mouseClick(child<QPushButton>("pushButton_Close"), Qt::LeftButton);
    QCOMPARE(status->text(), QStringLiteral("Déconnecté"));

    child<QAction>("actionEnglish")->trigger();
    QCOMPARE(level->text(), QStringLiteral("Mute"));
    QCOMPARE(line.readAll(), QByteArray::fromHex("80031300"
                                                 "80020100"
                                                 "80030000"));
}

// Run twice by CTest: under the C locale and under a French one.
void TestMainWindowLanguage::defaultFollowsTheSystem()
{
    QVERIFY(copyCatalogue(QStringLiteral("fr"), workingDir->path()));
    QVERIFY(copyCatalogue(QStringLiteral("en"), workingDir->path()));
    window = std::make_unique<MainWindow>();
    QCOMPARE(markedLanguage(), QStringLiteral("actionDefault"));
    const bool frenchSystem = QLocale::system().language() == QLocale::French;
    QCOMPARE(showsFrench(), frenchSystem);
    child<QAction>("actionEnglish")->trigger();
    QVERIFY(!showsFrench());
    child<QAction>("actionDefault")->trigger();
    QCOMPARE(showsFrench(), frenchSystem);
}

QTEST_MAIN(TestMainWindowLanguage)
#include "tst_mainwindowlanguage.moc"
