#include "globals.h"
#include "mainwindow.h"
#include "windowtesting.h"

#include <QAction>
#include <QDesktopServices>
#include <QTest>
#include <QTranslator>
#include <QUrlQuery>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Stands in for the browser and the mail program.
class Desktop : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened << url; }
};

// A translation that puts URL delimiters into the mail texts.
class Awkward : public QTranslator
{
public:
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        if (qstrcmp(context, "MainWindow") != 0)
            return {};
        if (qstrcmp(source, "Subject: Corvane Support Request (From:") == 0)
            return u"Q&A #1? a=b (From:"_s;
        if (qstrcmp(source, "Here: your question...") == 0)
            return u"50% & more #2"_s;
        return {};
    }
    bool isEmpty() const override { return false; }
};

} // namespace

// Help > home page and Help > support mail, as handed to the desktop.
class TestMainWindowHelp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void homePage();
    void supportMail_data();
    void supportMail();

private:
    std::unique_ptr<MainWindow> window;
    Desktop desktop;
};

void TestMainWindowHelp::initTestCase()
{
    WindowTesting::prepare();
    QDesktopServices::setUrlHandler(u"http"_s, &desktop, "open");
    QDesktopServices::setUrlHandler(u"mailto"_s, &desktop, "open");
}

void TestMainWindowHelp::init()
{
    WindowTesting::forgetSettings();
    desktop.opened.clear();
    window = std::make_unique<MainWindow>();
}

void TestMainWindowHelp::cleanup()
{
    window.reset();
}

void TestMainWindowHelp::homePage()
{
    auto *action = WindowTesting::child<QAction>(window.get(), "actionCorvane_Home_Page");
    action->trigger();
    action->trigger();
    QCOMPARE(desktop.opened, QList<QUrl>(2, QUrl(u"http://corvane.example"_s)));
}

void TestMainWindowHelp::supportMail_data()
{
    QTest::addColumn<QString>("catalogue");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("body");

    QTest::newRow("English")
        << QString()
        << u"Subject: Corvane Support Request (From: Tessary - Generic Edition - 1.0.0)"_s
        << u"Here: your question..."_s;
    QTest::newRow("French")
        << u"fr"_s
        << u"Objet : Demande d'assistance Corvane (depuis : Tessary - Generic Edition - 1.0.0)"_s
        << u"Ici : votre question..."_s;
    QTest::newRow("delimiters in a translation")
        << u"awkward"_s << u"Q&A #1? a=b (From: Tessary - Generic Edition - 1.0.0)"_s
        << u"50% & more #2"_s;
}

void TestMainWindowHelp::supportMail()
{
    QFETCH(QString, catalogue);
    QFETCH(QString, subject);
    QFETCH(QString, body);

    QTranslator french;
    Awkward awkward;
    if (catalogue == QLatin1String("fr")) {
        QVERIFY(french.load(u"LanguageData_fr"_s, QStringLiteral(TESSARY_QM_DIR)));
        QCoreApplication::installTranslator(&french);
    } else if (catalogue == QLatin1String("awkward")) {
        QCoreApplication::installTranslator(&awkward);
    }
    WindowTesting::child<QAction>(window.get(), "actionContact_Technical_Support")->trigger();
    QCoreApplication::removeTranslator(&french);
    QCoreApplication::removeTranslator(&awkward);

    QCOMPARE(desktop.opened.size(), 1);
    const QUrl mail = desktop.opened.first();
    QCOMPARE(mail.scheme(), u"mailto"_s);
    QCOMPARE(mail.path(), u"support@corvane.example"_s);
    const QUrlQuery query(QUrl(mail.toString(QUrl::FullyEncoded)));
    QCOMPARE(query.queryItemValue(u"subject"_s, QUrl::FullyDecoded), subject);
    QCOMPARE(query.queryItemValue(u"body"_s, QUrl::FullyDecoded), body);
}

QTEST_MAIN(TestMainWindowHelp)
#include "tst_mainwindowhelp.moc"
