#include "aboutwindows.h"
#include "globals.h"
#include "mainwindow.h"
#include "pseudoterminal.h"
#include "windowtesting.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QSerialPort>
#include <QTest>
#include <QTranslator>
#include <algorithm>
#include <limits>
#include <malloc.h>
#include <memory>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESSARY_ASAN 1
#endif
#elif defined(__SANITIZE_ADDRESS__)
#define TESSARY_ASAN 1
#endif
#ifdef TESSARY_ASAN
#include <sanitizer/allocator_interface.h>
#endif

using namespace Qt::StringLiterals;

namespace {

// Bytes the program holds on the heap now.
qint64 heapInUse()
{
#ifdef TESSARY_ASAN
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
#endif
}

// Lets closed windows go, as the event loop does between two clicks.
void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace

// Using the window for a long time holds no more memory than using it for a short time.
class TestMainWindowMemory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void repeatedUseHoldsNoMore_data();
    void repeatedUseHoldsNoMore();

private:
    template <typename T> T *child(const char *name) const
    {
        return WindowTesting::child<T>(window.get(), name);
    }
    void use(const QString &what, int round);

    std::unique_ptr<PseudoTerminal> line;
    std::unique_ptr<MainWindow> window;
};

void TestMainWindowMemory::initTestCase()
{
    WindowTesting::prepare();
    WindowTesting::forgetSettings();
    // The catalogues are found in the working folder, so language changes load them.
    QVERIFY(QDir::setCurrent(QStringLiteral(TESSARY_QM_DIR)));
    line = std::make_unique<PseudoTerminal>();
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestMainWindowMemory::cleanupTestCase()
{
    window.reset();
    serialPort->close();
    QCoreApplication::removeTranslator(&translator);
    WindowTesting::forgetSettings();
}

void TestMainWindowMemory::use(const QString &what, int round)
{
    if (what == u"about"_s) {
        child<QAction>("actionAbout")->trigger();
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (qobject_cast<AboutWindows *>(top))
                top->close();
        }
    } else if (what == u"model"_s) {
        auto *models = child<QComboBox>("comboBox_Device");
        models->setCurrentIndex(round % 3);
        emit models->activated(round % 3);
    } else if (what == u"language"_s) {
        const char *const entries[] = {"actionFran_ais", "actionEnglish", "actionDefault"};
        child<QAction>(entries[round % 3])->trigger();
    } else if (what == u"connection"_s) {
        WindowTesting::connectTo(window.get(), line->slavePath());
        child<QPushButton>("pushButton_Play")->click();
        child<QPushButton>("pushButton_Close")->click();
        child<QComboBox>("comboBox_Serial_Port")
            ->removeItem(child<QComboBox>("comboBox_Serial_Port")->count() - 1);
        line->readAll(0);
    }
    settle();
}

void TestMainWindowMemory::repeatedUseHoldsNoMore_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("About window") << u"about"_s;
    QTest::newRow("model change") << u"model"_s;
    QTest::newRow("language change") << u"language"_s;
    QTest::newRow("connect, play, disconnect") << u"connection"_s;
}

void TestMainWindowMemory::repeatedUseHoldsNoMore()
{
    QFETCH(QString, what);
    constexpr int Rounds = 300;
    constexpr int Batches = 5;
    // Caches fill during the first batch. After it, the heap still moves by a few bytes per use
    // as Qt's tables grow and shrink, and some batches take nothing at all; a leak takes its
    // share in every batch.
    qint64 least = std::numeric_limits<qint64>::max();
    for (int batch = 0; batch < Batches; ++batch) {
        const qint64 before = heapInUse();
        for (int round = 0; round < Rounds; ++round)
            use(what, round);
        if (batch > 0)
            least = std::min(least, heapInUse() - before);
    }
    QVERIFY2(least < 16 * Rounds, qPrintable(u"%1 bytes per use"_s.arg(double(least) / Rounds)));
}

QTEST_MAIN(TestMainWindowMemory)
#include "tst_mainwindowmemory.moc"
