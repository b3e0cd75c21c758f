#include "abouttext.h"
#include "constants.h"

#include <QCoreApplication>
#include <QTest>

using namespace Qt::StringLiterals;

class TestAboutText : public QObject
{
    Q_OBJECT

private slots:
    void informationPieces();
    void valuesAreEscaped();
    void windowsNames_data();
    void windowsNames();
    void wordSize();
};

void TestAboutText::informationPieces()
{
    Tessary::applyApplicationIdentity();
    AboutText::Information info;
    info.applicationName = QCoreApplication::applicationName();
    info.versionLabel = u"Version:"_s;
    info.applicationVersion = QCoreApplication::applicationVersion();
    info.organizationName = QCoreApplication::organizationName();
    info.organizationDomain = QCoreApplication::organizationDomain();
    info.operatingSystem = u"Microsoft Windows XP (32bit)"_s;

    const QStringList pieces{
        u"<p><b>"_s,
        u"Tessary - Generic Edition"_s,
        u"</b></p><p><b>"_s,
        u"Version:"_s,
        u" "_s,
        u"1.0.0"_s,
        u"</b></p><p>"_s,
        u"Copyright (c) 2026 Corvane"_s,
        u"</p><p><a href=\"http://"_s,
        u"corvane.example"_s,
        u"\">"_s,
        u"corvane.example"_s,
        u"</a></p><p>"_s,
        u"Microsoft Windows XP (32bit)"_s,
        u"</p>"_s,
    };
    QCOMPARE(AboutText::informationHtml(info), pieces.join(QString()));
}

void TestAboutText::valuesAreEscaped()
{
    AboutText::Information info;
    info.applicationName = u"A <b>&</b> \"B\""_s;
    info.versionLabel = u"Version :"_s;
    info.organizationDomain = u"x.example\"><script>"_s;
    const QString html = AboutText::informationHtml(info);
    QVERIFY(html.contains(u"A &lt;b&gt;&amp;&lt;/b&gt; &quot;B&quot;"_s));
    QVERIFY(html.contains(u"href=\"http://x.example&quot;&gt;&lt;script&gt;\""_s));
    QVERIFY(!html.contains(u"<script>"_s));
}

void TestAboutText::windowsNames_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<QString>("name");

    QTest::newRow("NT") << 4 << 0 << u"Microsoft Windows NT"_s;
    QTest::newRow("2000") << 5 << 0 << u"Microsoft Windows 2000"_s;
    QTest::newRow("XP") << 5 << 1 << u"Microsoft Windows XP"_s;
    QTest::newRow("2003") << 5 << 2 << u"Microsoft Windows 2003"_s;
    QTest::newRow("Vista") << 6 << 0 << u"Microsoft Windows Vista"_s;
    QTest::newRow("7") << 6 << 1 << u"Microsoft Windows 7"_s;
    QTest::newRow("8") << 6 << 2 << u"Microsoft OS"_s;
    QTest::newRow("10 and 11") << 10 << 0 << u"Microsoft OS"_s;
    QTest::newRow("unknown") << -1 << -1 << u"Microsoft OS"_s;
}

void TestAboutText::windowsNames()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(QString, name);
    QCOMPARE(QString::fromLatin1(AboutText::windowsName(major, minor)), name);
}

void TestAboutText::wordSize()
{
    QCOMPARE(QString::fromLatin1(AboutText::wordSizeSuffix(4)), u"(32bit)"_s);
    QCOMPARE(QString::fromLatin1(AboutText::wordSizeSuffix(8)), u"(64bit)"_s);
}

QTEST_GUILESS_MAIN(TestAboutText)
#include "tst_abouttext.moc"
