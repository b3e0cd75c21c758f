#include "about/abouttext.h"
#include "about/aboutwindows.h"
#include "about/supportlinks.h"
#include "windowtesting.h"

#include <QDesktopServices>
#include <QMenu>
#include <QPointer>
#include <QScopeGuard>
#include <QSysInfo>
#include <QUrlQuery>

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

// The interface in the system's language, English or French, wherever the catalogues are; and
// what the Help menu hands on: the About window, the home page and the support mail.
class TestMainWindowLanguage : public WindowTest
{
    Q_OBJECT

public slots:
    void open(const QUrl &url) { opened << url; }

private slots:
    void catalogueFoundFromAnywhere_data();
    void catalogueFoundFromAnywhere();
    void defaultFollowsTheSystem();
    void helpTexts_data();
    void helpTexts();
    void windowsNamesAndEscaping();

private:
    bool showsFrench() const
    {
        // Menus, the Installation menu made in code, and tooltips change together.
        const bool french = child<QMenu>("menuFile")->title() == u"&Fichier"_s;
        if (french != child<QPushButton>("pushButton_Play")->toolTip().startsWith(u"Lire ("_s) ||
            french != (child<QAction>("actionStop_All")->text() == u"&Tout arrêter"_s))
            qFatal("half-translated window");
        return french;
    }
    QList<QUrl> opened;
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

void TestMainWindowLanguage::helpTexts_data()
{
    // The language chosen; the About window's title, "Version:" and word size; the mail's subject
    // start and body.
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("texts");
    QTest::newRow("English") << u"actionEnglish"_s
                             << u"About|Version:|bit)|Subject: Corvane Support Request (From:|"
                                "Here: your question..."_s;
    QTest::newRow("French") << u"actionFran_ais"_s
                            << u"À propos|Version :| bits)|Objet : Demande d'assistance Corvane "
                               "(depuis :|Ici : votre question..."_s;
}

void TestMainWindowLanguage::helpTexts()
{
    QFETCH(QString, language);
    QFETCH(QString, texts);
    QDesktopServices::setUrlHandler(u"http"_s, this, "open");
    QDesktopServices::setUrlHandler(u"mailto"_s, this, "open");
    opened.clear();
    copyCatalogue("fr", u"."_s);
    start();
    child<QAction>(qPrintable(language))->trigger();
    const QStringList text = texts.split(u'|');
    child<QAction>("actionAbout")->trigger();
    // Modal, and gone once closed: a fresh window each time, nothing left behind.
    QPointer<QWidget> about = QApplication::activeModalWidget();
    QVERIFY(qobject_cast<AboutWindows *>(about));
    QCOMPARE(about->windowTitle(), text[0]);
    QCOMPARE(
        about->findChild<QLabel *>(u"label_infos"_s)->text(),
        u"<p><b>Tessary - Generic Edition</b></p><p><b>%1 1.0.0</b></p><p>Copyright (c) 2026 "
        "Corvane</p><p><a href=\"http://corvane.example\">corvane.example</a></p><p>%2 (%3%4</p>"_s
            .arg(text[1], QSysInfo::prettyProductName(), QString::number(QT_POINTER_SIZE * 8),
                 text[2]));
    QVERIFY(!about->windowIcon().pixmap(32, 32).isNull());
    // The link is reached by Tab and opened by Enter, like the home page from the menu.
    QVERIFY(QTest::qWaitForWindowActive(about));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::mouseClick(about->findChild<QPushButton *>(u"pushButton_close"_s), Qt::LeftButton);
    QTRY_VERIFY(!about);
    for (const char *action : {"actionCorvane_Home_Page", "actionContact_Technical_Support"})
        child<QAction>(action)->trigger();
    QCOMPARE(opened.size(), 3);
    QCOMPARE(opened[0], QUrl(u"http://corvane.example"_s));
    QCOMPARE(opened[1], opened[0]);
    QCOMPARE(opened[2].scheme() + u':' + opened[2].path(), u"mailto:support@corvane.example"_s);
    const QUrlQuery mail(QUrl(opened[2].toString(QUrl::FullyEncoded)));
    QCOMPARE(mail.queryItemValue(u"subject"_s, QUrl::FullyDecoded),
             text[3] + u" Tessary - Generic Edition - 1.0.0)"_s);
    QCOMPARE(mail.queryItemValue(u"body"_s, QUrl::FullyDecoded), text[4]);
}

void TestMainWindowLanguage::windowsNamesAndEscaping()
{
    QStringList names;
    for (const auto &[major, minor] :
         {std::pair{4, 0}, {5, 0}, {5, 1}, {5, 2}, {6, 0}, {6, 1}, {6, 2}, {10, 0}})
        names << QLatin1String(AboutText::windowsName(major, minor));
    QCOMPARE(names.join(u',').remove(u"Microsoft Windows "_s),
             u"NT,2000,XP,2003,Vista,7,Microsoft OS,Microsoft OS"_s);
    AboutText::Information info;
    info.applicationName = u"A <b>&</b>"_s;
    info.organizationDomain = u"x.example\"><script>"_s;
    const QString html = AboutText::informationHtml(info);
    QVERIFY(html.startsWith(u"<p><b>A &lt;b&gt;&amp;&lt;/b&gt;</b></p>"_s));
    QVERIFY(html.contains(u"href=\"http://x.example&quot;&gt;&lt;script&gt;\""_s));
    // Whatever a translation puts into the mail's texts reaches the mail program as it stands.
    const QUrl url = SupportLinks::supportMail(u"a@b"_s, u"Q&A #1? a=b"_s, u"50% & more #2"_s);
    const QUrlQuery mail(QUrl(url.toString(QUrl::FullyEncoded)));
    QCOMPARE(mail.queryItemValue(u"subject"_s, QUrl::FullyDecoded), u"Q&A #1? a=b"_s);
    QCOMPARE(mail.queryItemValue(u"body"_s, QUrl::FullyDecoded), u"50% & more #2"_s);
}

QTEST_MAIN(TestMainWindowLanguage)
#include "tst_mainwindowlanguage.moc"
