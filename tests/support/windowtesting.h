#pragma once

#include "mainwindow/mainwindow.h"
#include "process/constants.h"
#include "pseudoterminal.h"
#include "serial/portwatcher.h"
#include "serial/seriallink.h"
#include "serial/serialport.h"
#include "storage/settingsstore.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMutex>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QWheelEvent>
#include <memory>

using namespace Qt::StringLiterals;

// Plays a scenario (WindowTest::play) and fails the test at the first check that does not hold.
#define PLAY(scenario) QCOMPARE(play(scenario), QString())

// What every window test starts from: no settings file anywhere, a fresh working folder, a
// pseudo-terminal as the line, and the system's ports replaced by the ones in `ports`.
class WindowTest : public QObject
{
    Q_OBJECT

protected:
    // Builds the window as the program does, shown and active.
    void start()
    {
        window = std::make_unique<MainWindow>();
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    template <typename T = QWidget> T *child(const char *name) const
    {
        T *object = window->findChild<T *>(QLatin1String(name));
        if (!object)
            qFatal("no child %s", name);
        return object;
    }
    QString status() const { return child<QLabel>("label_Status")->text(); }
    QString markedLanguage() const
    {
        QStringList marked;
        for (const char *name : {"actionDefault", "actionEnglish", "actionFran_ais"})
            if (child<QAction>(name)->isChecked())
                marked << QLatin1String(name);
        return marked.join(u',');
    }

    // Plays a scenario: steps separated by "; ", each something the user does or something that
    // must hold then. Widgets are named without their kind ("click Play", "tick AutoConnect").
    //   LIST TEXT (ID, Folder, Serial_Port, Serial_Baudrate), model INDEX, level DB: choose
    //   connect [PORT], click BUTTON, tick BOX, press KEYS (where the focus is), focus WIDGET,
    //   wheel WIDGET (one turn down), menu ACTION, unplug, restart, ports NAME[=ADAPTER]...
    //   (listed from now on, with the adapter's own name if it has one; "-" for none)
    //   sends HEX (nothing when empty), status TEXT (TEXT* for a prefix; waits up to a second),
    //   focused WIDGET, label TEXT, shows LIST COUNT CURRENT LAST, shows Volume MINIMUM LEVEL,
    //   closed, open
    // Returns the first check that failed, with what was seen instead; empty when all held.
    QString play(const QString &scenario)
    {
        for (const QString &step : scenario.split(u"; "_s, Qt::SkipEmptyParts)) {
            const QString verb = step.section(u' ', 0, 0);
            QString expected = step.section(u' ', 1);
            const QByteArray name = expected.toLatin1();
            const auto select = [this](const QString &list, const QString &text) {
                auto *combo = child<QComboBox>(qPrintable(u"comboBox_"_s + list));
                if (combo->findText(text) < 0)
                    combo->addItem(text);
                combo->setCurrentIndex(combo->findText(text));
            };
            std::optional<QString> seen;
            if (window->findChild<QComboBox *>(u"comboBox_"_s + verb)) {
                select(verb, expected);
            } else if (verb == u"model") { // as the user chooses: activated() tells the window
                child<QComboBox>("comboBox_Device")->setCurrentIndex(expected.toInt());
                emit child<QComboBox>("comboBox_Device")->activated(expected.toInt());
            } else if (verb == u"level") {
                child<QSlider>("horizontalSlider_All")->setValue(expected.toInt());
            } else if (verb == u"connect" || verb == u"click") {
                if (verb == u"connect")
                    select(u"Serial_Port"_s, expected.isEmpty() ? line->slavePath : expected);
                QTest::mouseClick(
                    child<QPushButton>(verb == u"click" ? "pushButton_" + name : "pushButton_Open"),
                    Qt::LeftButton);
            } else if (verb == u"tick") {
                child<QCheckBox>("checkBox_" + name)->click();
            } else if (verb == u"press") {
                QTest::keySequence(QApplication::focusWidget(), QKeySequence(expected));
            } else if (verb == u"focus") {
                child(name)->setFocus();
            } else if (verb == u"wheel") {
                QWheelEvent turn({5, 5}, child(name)->mapToGlobal(QPointF(5, 5)), {}, {0, -120},
                                 Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(child(name), &turn);
            } else if (verb == u"menu") {
                child<QAction>("action" + name)->trigger();
            } else if (verb == u"unplug") {
                line->closeMaster();
            } else if (verb == u"ports") {
                QList<PortInfo> listed;
                for (const QString &port : expected.split(u' ', Qt::SkipEmptyParts))
                    if (port != u"-")
                        listed.append(PortInfo(port.section(u'=', 0, 0), {}, {}, {}, 0, 0,
                                               port.section(u'=', 1)));
                setPorts(listed);
                auto *watcher = window->findChild<PortWatcher *>();
                watcher->rescan();
                if (!QTest::qWaitFor([&] { return watcher->ports() == listed; }))
                    return step + u": the list did not follow"_s;
            } else if (verb == u"restart") {
                window.reset();
                start();
            } else if (verb == u"sends") { // what arrives while the event loop runs, then any more
                const QByteArray frames = QByteArray::fromHex(name);
                QByteArray data = line->read(int(frames.size()), 0);
                for (int waited = 0; data.size() < frames.size() && waited < 2000; waited += 10) {
                    QTest::qWait(10);
                    data += line->read(int(frames.size() - data.size()), 0);
                }
                expected = QString::fromLatin1(frames.toHex(' '));
                seen = QString::fromLatin1((data + line->readAll(30)).toHex(' '));
            } else if (verb == u"status") {
                const QRegularExpression pattern(
                    u'^' + QRegularExpression::escape(expected).replace(u"\\*"_s, u".+"_s) + u'$');
                seen = QTest::qWaitFor([&] { return pattern.match(status()).hasMatch(); }, 1000)
                           ? expected
                           : status();
            } else if (verb == u"focused") {
                seen = QApplication::focusWidget()->objectName();
            } else if (verb == u"label") {
                seen = child<QLabel>("label_Volume_Value_All")->text();
            } else if (verb == u"shows") { // a list's count, current and last item; a range
                const auto *list =
                    window->findChild<QComboBox *>(u"comboBox_"_s + expected.section(u' ', 0, 0));
                const auto *slider = child<QSlider>("horizontalSlider_All");
                expected = expected.section(u' ', 1);
                seen = list ? u"%1 %2 %3"_s.arg(list->count())
                                  .arg(list->currentText(), list->itemText(list->count() - 1))
                            : u"%1 %2"_s.arg(slider->minimum()).arg(slider->value());
            } else if (verb == u"closed" || verb == u"open") {
                QString enabled; // Connect and the port settings, then the commands and Disconnect
                for (const char *widget :
                     {"pushButton_Open", "comboBox_Serial_Port", "comboBox_Serial_Baudrate",
                      "groupBox_Transport", "groupBox_Folder", "groupBox_Volume",
                      "pushButton_Close"})
                    enabled += child(widget)->isEnabled() ? u'1' : u'0';
                expected = verb;
                seen = enabled == u"1110000" && !serialPort->isOpen()  ? u"closed"_s
                       : enabled == u"0001111" && serialPort->isOpen() ? u"open"_s
                                                                       : enabled;
            } else {
                qFatal("unknown step: %s", qPrintable(step));
            }
            if (seen && *seen != expected)
                return u"%1: saw \"%2\""_s.arg(step, *seen);
        }
        return {};
    }

    // The ports the window finds, as a device coming or going would leave them.
    static void setPorts(const QList<PortInfo> &list)
    {
        const QMutexLocker lock(&portsLock);
        ports = list;
    }
    static void forgetSettings()
    {
        const SettingsStore store = SettingsStore::forApplication();
        const QString folder = QFileInfo(store.userFilePath()).path();
        for (const QString &path :
             {store.programFilePath(), store.userFilePath(), folder + u"/window.ini"_s,
              folder + u"/installation.txt"_s, folder + u"/remote.ini"_s})
            if (!QFile::remove(path))
                QDir(path).removeRecursively();
    }

    std::unique_ptr<QTemporaryDir> working;
    std::unique_ptr<PseudoTerminal> line;
    std::unique_ptr<MainWindow> window;
    static inline QMutex portsLock;
    static inline QList<PortInfo> ports;

protected slots:
    void initTestCase()
    {
        Tessary::applyApplicationIdentity();
        QStandardPaths::setTestModeEnabled(true);
        PortWatcher::setLister([] {
            const QMutexLocker lock(&portsLock);
            return ports;
        });
    }
    void init()
    {
        forgetSettings();
        working = std::make_unique<QTemporaryDir>(QDir::tempPath() + u"/tessary-XXXXXX"_s);
        QVERIFY(QDir::setCurrent(working->path()));
        line = std::make_unique<PseudoTerminal>();
        setPorts({PortInfo(u"/dev/tessary-absent-0"_s), PortInfo(line->slavePath),
                  PortInfo(u"/dev/tessary-absent-2"_s)});
    }
    void cleanup()
    {
        window.reset();
        serialPort->close();
        line.reset();
        forgetSettings();
    }
};
