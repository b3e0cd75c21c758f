#include "abouttext.h"
#include "aboutwindows.h"
#include "mainwindow.h"
#include "windowtesting.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <memory>

using namespace Qt::StringLiterals;

// Help > About: a fresh, modal, fixed-size dialog each time, released once closed.
class TestAboutWindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void information();
    void layout();
    void modalAndClosing();
    void freshDialogEachTime();
    void french();

private:
    AboutWindows *openAbout();
    QList<AboutWindows *> openDialogs() const;

    std::unique_ptr<MainWindow> window;
};

void TestAboutWindows::initTestCase()
{
    WindowTesting::prepare();
}

void TestAboutWindows::init()
{
    WindowTesting::forgetSettings();
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
}

void TestAboutWindows::cleanup()
{
    for (AboutWindows *dialog : openDialogs())
        delete dialog;
    window.reset();
}

QList<AboutWindows *> TestAboutWindows::openDialogs() const
{
    QList<AboutWindows *> dialogs;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (auto *about = qobject_cast<AboutWindows *>(top))
            dialogs << about;
    }
    return dialogs;
}

AboutWindows *TestAboutWindows::openAbout()
{
    const QList<AboutWindows *> before = openDialogs();
    WindowTesting::child<QAction>(window.get(), "actionAbout")->trigger();
    for (AboutWindows *dialog : openDialogs()) {
        if (!before.contains(dialog))
            return dialog;
    }
    return nullptr;
}

void TestAboutWindows::information()
{
    AboutWindows *about = openAbout();
    QVERIFY(about);
    QCOMPARE(about->windowTitle(), u"About"_s);
#ifndef Q_OS_WIN
    QCOMPARE(about->Get_OS_Name(), QSysInfo::prettyProductName() +
                                       (QT_POINTER_SIZE == 8 ? u" (64bit)"_s : u" (32bit)"_s));
#endif
    AboutText::Information expected{
        u"Tessary - Generic Edition"_s,  u"Version:"_s,        u"1.0.0"_s,
        u"Copyright (c) 2026 Corvane"_s, u"corvane.example"_s, about->Get_OS_Name()};
    auto *infos = WindowTesting::child<QLabel>(about, "label_infos");
    QCOMPARE(infos->text(), AboutText::informationHtml(expected));
    QVERIFY(infos->openExternalLinks());
    auto *image = WindowTesting::child<QLabel>(about, "label_Image");
    QCOMPARE(image->pixmap().size(), QSize(128, 192));
    QVERIFY(!about->windowIcon().isNull());
}

void TestAboutWindows::layout()
{
    // The icon comes along whatever the working directory.
    QTemporaryDir elsewhere;
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    AboutWindows *about = openAbout();
    QVERIFY(about);
    QVERIFY(QTest::qWaitForWindowExposed(about));
    QVERIFY(!about->windowIcon().pixmap(32, 32).isNull());

    auto *grid = WindowTesting::child<QGridLayout>(about, "gridLayout");
    QCOMPARE(grid->sizeConstraint(), QLayout::SetFixedSize);
    int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(grid->indexOf(WindowTesting::child<QLayout>(about, "horizontalLayout")),
                          &row, &column, &rowSpan, &columnSpan);
    QCOMPARE(row, 2);
    QCOMPARE(column, 0);
    QCOMPARE(columnSpan, 2);
    auto *close = WindowTesting::child<QPushButton>(about, "pushButton_close");
    const auto top = [about](const char *name) {
        return WindowTesting::child<QWidget>(about, name)->mapTo(about, QPoint(0, 0)).y();
    };
    QVERIFY(top("pushButton_close") > top("label_infos") + 10);
    QVERIFY(top("pushButton_close") > top("label_Image"));
    QCOMPARE(close->text(), u"Close"_s);

    // It cannot be resized.
    const QSize size = about->size();
    QCOMPARE(about->minimumSize(), about->maximumSize());
    about->resize(size * 2);
    QCOMPARE(about->size(), size);
}

void TestAboutWindows::modalAndClosing()
{
    QPointer<AboutWindows> about = openAbout();
    QVERIFY(about);
    QVERIFY(about->isVisible());
    QVERIFY(about->isModal());
    QCOMPARE(QApplication::activeModalWidget(), about.data());

    QTest::mouseClick(WindowTesting::child<QPushButton>(about, "pushButton_close"), Qt::LeftButton);
    QVERIFY(!about || !about->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QTRY_VERIFY(!about); // released once closed
}

void TestAboutWindows::freshDialogEachTime()
{
    QPointer<AboutWindows> first = openAbout();
    first->close();
    QPointer<AboutWindows> second = openAbout();
    QVERIFY(first != second || !first);
    QVERIFY(second && second->isVisible());
    QCOMPARE(WindowTesting::child<QLabel>(second, "label_infos")->text().count(u"<p>"_s), 5);

    // Many openings leave nothing behind.
    second->close();
    for (int i = 0; i < 50; ++i)
        openAbout()->close();
    QTRY_COMPARE(openDialogs().size(), 0);
}

void TestAboutWindows::french()
{
    QTranslator catalogue;
    QVERIFY(catalogue.load(u"LanguageData_fr"_s, QStringLiteral(TESSARY_QM_DIR)));
    QCoreApplication::installTranslator(&catalogue);
    AboutWindows *about = openAbout();
    QCoreApplication::removeTranslator(&catalogue);
    QVERIFY(about);
    QCOMPARE(about->windowTitle(), u"À propos"_s);
    QCOMPARE(WindowTesting::child<QPushButton>(about, "pushButton_close")->text(), u"Fermer"_s);
    const QString text = WindowTesting::child<QLabel>(about, "label_infos")->text();
    QVERIFY(text.contains(u"<b>Version : 1.0.0</b>"_s));
    QVERIFY(text.contains(QT_POINTER_SIZE == 8 ? u"(64 bits)"_s : u"(32 bits)"_s));
}

QTEST_MAIN(TestAboutWindows)
#include "tst_aboutwindows.moc"
