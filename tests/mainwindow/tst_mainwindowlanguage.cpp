#include "windowtesting.h"

#include <QMenu>
#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {

// Puts a built catalogue into the folder; returns the copy's path.
QString copyCatalogue(const char *language, const QString &folder)
{
    const QString name = u"LanguageData_%1.qm"_s.arg(QLatin1String(language));
    QDir().mkpath(folder);
    QFile::copy(QStringLiteral(TESSARY_QM_DIR "/") + name, QDir(folder).filePath(name));
    return QDir(folder).filePath(name);
}

} // namespace

// The interface in the system's language, English or French, wherever the catalogues are.
class TestMainWindowLanguage : public WindowTest
{
    Q_OBJECT

private slots:
    void catalogueFoundFromAnywhere_data();
    void catalogueFoundFromAnywhere();
    void statusAndLevelAfterChange();
    void defaultFollowsTheSystem();

private:
    bool showsFrench() const
    {
        // Menus and tooltips change together.
        const bool french = child<QMenu>("menuFile")->title() == u"&Fichier"_s;
        if (french != child<QPushButton>("pushButton_Play")->toolTip().startsWith(u"Lire ("_s))
            qFatal("half-translated window");
        return french;
    }
};

void TestMainWindowLanguage::catalogueFoundFromAnywhere_data()
{
    const QString program = QCoreApplication::applicationDirPath();
    QTest::addColumn<QString>("folder");
    QTest::newRow("working folder") << u"."_s;
    QTest::newRow("beside the program") << program;
    QTest::newRow("installed") << program + u"/../share/tessary/translations"_s;
    QTest::newRow("nowhere") << QString();
}

void TestMainWindowLanguage::catalogueFoundFromAnywhere()
{
    QFETCH(QString, folder);
    const QString copy = folder.isEmpty() ? QString() : copyCatalogue("fr", folder);
    const auto removeCopy = qScopeGuard([&copy] { QFile::remove(copy); });
    start();
    QVERIFY(!showsFrench());
    for (const char *action :
         {"actionFran_ais", "actionFran_ais", "actionEnglish", "actionDefault", "actionFran_ais"}) {
        child<QAction>(action)->trigger();
        QCOMPARE(markedLanguage(), QLatin1String(action));
        const bool french = qstrcmp(action, "actionFran_ais") == 0;
        QCOMPARE(showsFrench(), !folder.isEmpty() && french);
        QCOMPARE(status(), french && folder.isEmpty()
                               ? u"No French catalogue found; the texts stay in English"_s
                               : u"..."_s);
    }
    QCOMPARE(window->windowTitle(), u"Tessary - Generic Edition"_s);
    // The next start comes up in the saved language.
    window.reset();
    start();
    QCOMPARE(markedLanguage(), u"actionFran_ais"_s);
    QCOMPARE(showsFrench(), !folder.isEmpty());
}

void TestMainWindowLanguage::statusAndLevelAfterChange()
{
    copyCatalogue("fr", u"."_s);
    start();
    QCOMPARE(
        play(u"connect; level -12; sends 80031300; menu Fran_ais; status ...; label -12 dB; "
             "click Play; sends 80020100; status Lire : 0x80 0x2 0x1; click All_Min; label Muet; "
             "click Close; status Déconnecté; menu English; label Mute"_s),
        QString());
}

// Run twice by CTest: under the C locale and under a French one.
void TestMainWindowLanguage::defaultFollowsTheSystem()
{
    copyCatalogue("fr", u"."_s);
    copyCatalogue("en", u"."_s);
    start();
    const bool frenchSystem = QLocale::system().language() == QLocale::French;
    QCOMPARE(showsFrench(), frenchSystem);
    child<QAction>("actionEnglish")->trigger();
    QVERIFY(!showsFrench());
    child<QAction>("actionDefault")->trigger();
    QCOMPARE(showsFrench(), frenchSystem);
}

QTEST_MAIN(TestMainWindowLanguage)
#include "tst_mainwindowlanguage.moc"
