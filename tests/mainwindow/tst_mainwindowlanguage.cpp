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

using namespace Qt::StringLiterals;

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
    QString markedLanguage() const { return WindowTesting::markedLanguage(window.get()); }

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
                                   u"/../share/tessary/translations"_s);
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
    const QString name = u"LanguageData_%1.qm"_s.arg(language);
    QDir().mkpath(directory);
    const QString target = QDir(directory).filePath(name);
    copies << target;
    return QFile::copy(QStringLiteral(TESSARY_QM_DIR "/") + name, target);
}

bool TestMainWindowLanguage::showsFrench() const
{
    const bool french = child<QMenu>("menuFile")->title() == u"&Fichier"_s;
    // Titles, tooltips and menus change together; the keys stay.
    if (french != (child<QPushButton>("pushButton_Play")->toolTip() == u"Lire"_s) ||
        french != (child<QAction>("actionDefault")->text() == u"(Langue du système)"_s))
        qFatal("half-translated window");
    if (child<QPushButton>("pushButton_Play")->shortcut() !=
        QKeySequence(Qt::CTRL | Qt::Key_Return))
        qFatal("a translation moved a shortcut");
    return french;
}

void TestMainWindowLanguage::catalogueLocations_data()
{
    QTest::addColumn<QString>("location");
    QTest::addColumn<bool>("french");
    QTest::newRow("working directory") << u"working"_s << true;
    QTest::newRow("beside the executable") << u"program"_s << true;
    QTest::newRow("installed folder") << u"installed"_s << true;
    QTest::newRow("absent") << QString() << false;
}

void TestMainWindowLanguage::catalogueLocations()
{
    QFETCH(QString, location);
    QFETCH(bool, french);

    if (location == QLatin1String("working"))
        QVERIFY(copyCatalogue(u"fr"_s, workingDir->path()));
    else if (location == QLatin1String("program"))
        QVERIFY(copyCatalogue(u"fr"_s, QCoreApplication::applicationDirPath()));
    else if (location == QLatin1String("installed"))
        QVERIFY(copyCatalogue(u"fr"_s, installedDir));

    window = std::make_unique<MainWindow>();
    QVERIFY(!showsFrench());
    child<QAction>("actionFran_ais")->trigger();
    QCOMPARE(showsFrench(), french);
    QCOMPARE(markedLanguage(), u"actionFran_ais"_s);
    child<QAction>("actionEnglish")->trigger();
    QVERIFY(!showsFrench());
    QCOMPARE(window->windowTitle(), u"Tessary - Generic Edition"_s);
}

void TestMainWindowLanguage::marksStayExclusive()
{
    QVERIFY(copyCatalogue(u"fr"_s, workingDir->path()));
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
    QVERIFY(copyCatalogue(u"fr"_s, workingDir->path()));
    window = std::make_unique<MainWindow>();
    child<QAction>("actionFran_ais")->trigger();
    window.reset();
    QCoreApplication::removeTranslator(&translator);

    window = std::make_unique<MainWindow>();
    QCOMPARE(markedLanguage(), u"actionFran_ais"_s);
    QVERIFY(showsFrench());
}

void TestMainWindowLanguage::statusAndLevelAfterChange()
{
    QVERIFY(copyCatalogue(u"fr"_s, workingDir->path()));
    PseudoTerminal line;
    window = std::make_unique<MainWindow>();
    WindowTesting::connectTo(window.get(), line.slavePath());
    auto *slider = child<QSlider>("horizontalSlider_All");
    auto *level = child<QLabel>("label_Volume_Value_All");
    auto *status = child<QLabel>("label_Status");
    slider->setValue(-12);
    QCOMPARE(status->text(), u"Volume : 0x80 0x3 0x13"_s);

    child<QAction>("actionFran_ais")->trigger();
    QCOMPARE(status->text(), u"..."_s);
    QCOMPARE(level->text(), u"-12 dB"_s);
    QTest::mouseClick(child<QPushButton>("pushButton_Play"), Qt::LeftButton);
    QCOMPARE(status->text(), u"Lire : 0x80 0x2 0x1"_s);
    QTest::mouseClick(child<QPushButton>("pushButton_All_Min"), Qt::LeftButton);
    QCOMPARE(level->text(), u"Muet"_s);
    QTest::mouseClick(child<QPushButton>("pushButton_Close"), Qt::LeftButton);
    QCOMPARE(status->text(), u"Déconnecté"_s);

    child<QAction>("actionEnglish")->trigger();
    QCOMPARE(level->text(), u"Mute"_s);
    QCOMPARE(line.readAll(), QByteArray::fromHex("80031300"
                                                 "80020100"
                                                 "80030000"));
}

// Run twice by CTest: under the C locale and under a French one.
void TestMainWindowLanguage::defaultFollowsTheSystem()
{
    QVERIFY(copyCatalogue(u"fr"_s, workingDir->path()));
    QVERIFY(copyCatalogue(u"en"_s, workingDir->path()));
    window = std::make_unique<MainWindow>();
    QCOMPARE(markedLanguage(), u"actionDefault"_s);
    const bool frenchSystem = QLocale::system().language() == QLocale::French;
    QCOMPARE(showsFrench(), frenchSystem);
    child<QAction>("actionEnglish")->trigger();
    QVERIFY(!showsFrench());
    child<QAction>("actionDefault")->trigger();
    QCOMPARE(showsFrench(), frenchSystem);
}

QTEST_MAIN(TestMainWindowLanguage)
#include "tst_mainwindowlanguage.moc"
