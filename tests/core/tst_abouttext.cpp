#include "abouttext.h"
#include "constants.h"

#include <QCoreApplication>
#include <QTest>

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
    info.versionLabel = QStringLiteral("Version:");
    info.applicationVersion = QCoreApplication::applicationVersion();
    info.organizationName = QCoreApplication::organizationName();
    info.organizationDomain = QCoreApplication::organizationDomain();
    info.operatingSystem = QStringLiteral("Microsoft Windows XP (32bit)");

    const QStringList pieces{
        QStringLiteral("<p><b>"),
        QStringLiteral("Tessary - Generic Edition"),
        QStringLiteral("</b></p><p><b>"),
        QStringLiteral("Version:"),
        QStringLiteral(" "),
        QStringLiteral("1.0.0"),
        QStringLiteral("</b></p><p>"),
        QStringLiteral("Copyright (c) 2026 Corvane"),
        QStringLiteral("</p><p><a href=\"http://"),
        QStringLiteral("corvane.example"),
        QStringLiteral("\">"),
        QStringLiteral("corvane.example"),
        QStringLiteral("</a></p><p>"),
        QStringLiteral("Microsoft Windows XP (32bit)"),
        QStringLiteral("</p>"),
    };
    QCOMPARE(AboutText::informationHtml(info), pieces.join(QString()));
}

void TestAboutText::valuesAreEscaped()
{
    AboutText::Information info;
    info.applicationName = QStringLiteral("A <b>&</b> \"B\"");
    info.versionLabel = QStringLiteral("Version :");
    info.organizationDomain = QStringLiteral("x.example\"><script>");
    const QString html = AboutText::informationHtml(info);
    QVERIFY(html.contains(QStringLiteral("A &lt;b&gt;&amp;&lt;/b&gt; &quot;B&quot;")));
    QVERIFY(html.contains(QStringLiteral("href=\"http://x.example&quot;&gt;&lt;script&gt;\"")));
    QVERIFY(!html.contains(QStringLiteral("<script>")));
}

void TestAboutText::windowsNames_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<QString>("name");

    QTest::newRow("NT") << 4 << 0 << QStringLiteral("Microsoft Windows NT");
    QTest::newRow("2000") << 5 << 0 << QStringLiteral("Microsoft Windows 2000");
    QTest::newRow("XP") << 5 << 1 << QStringLiteral("Microsoft Windows XP");
    QTest::newRow("2003") << 5 << 2 << QStringLiteral("Microsoft Windows 2003");
    QTest::newRow("Vista") << 6 << 0 << QStringLiteral("Microsoft Windows Vista");
    QTest::newRow("7") << 6 << 1 << QStringLiteral("Microsoft Windows 7");
    QTest::newRow("8") << 6 << 2 << QStringLiteral("Microsoft OS");
    QTest::newRow("10 and 11") << 10 << 0 << QStringLiteral("Microsoft OS");
    QTest::newRow("unknown") << -1 << -1 << QStringLiteral("Microsoft OS");
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
    QCOMPARE(QString::fromLatin1(AboutText::wordSizeSuffix(4)), QStringLiteral("(32bit)"));
    QCOMPARE(QString::fromLatin1(AboutText::wordSizeSuffix(8)), QStringLiteral("(64bit)"));
}

QTEST_GUILESS_MAIN(TestAboutText)
#include "tst_abouttext.moc"
