#pragma once

#include "globals.h"
#include "mainwindow.h"
#include "portwatcher.h"
#include "pseudoterminal.h"
#include "seriallink.h"
#include "settingsstore.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMutex>
#include <QProcess>
#include <QPushButton>
#include <QSerialPort>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <map>
#include <memory>
#include <optional>

// What every window test starts from: no settings file anywhere, a fresh working folder, a
// pseudo-terminal as the line, and the system's ports replaced by the names in `ports`.
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
    void click(const char *button) const
    {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    // Pressed where the focus is, as the user does.
    void press(const char *keys) const
    {
        QTest::keySequence(QApplication::focusWidget(), QKeySequence(QLatin1String(keys)));
    }
    void select(const char *list, const QString &text) const
    {
        auto *combo = child<QComboBox>(list);
        if (combo->findText(text) < 0)
            combo->addItem(text);
        combo->setCurrentIndex(combo->findText(text));
    }
    // As the user's choice in the list: only activated() tells the window about it.
    void chooseModel(int index) const
    {
        child<QComboBox>("comboBox_Device")->setCurrentIndex(index);
        emit child<QComboBox>("comboBox_Device")->activated(index);
    }
    void connectTo(const QString &port) const
    {
        select("comboBox_Serial_Port", port);
        click("pushButton_Open");
    }
    // What reaches the line, up to count bytes, while the event loop runs; then anything more
    // that follows within a moment.
    QByteArray receive(int count) const
    {
        QByteArray data = line->read(count, 0);
        for (int waited = 0; data.size() < count && waited < 2000; waited += 10) {
            QTest::qWait(10);
            data += line->read(count - data.size(), 0);
        }
        return data + line->readAll(30);
    }
    // Connect and the port settings open to the user, the commands and Disconnect closed.
    bool isClosedArrangement() const
    {
        QString enabled;
        for (const char *name :
             {"pushButton_Open", "comboBox_Serial_Port", "comboBox_Serial_Baudrate",
              "groupBox_Transport", "groupBox_Folder", "groupBox_Volume", "pushButton_Close"})
            enabled += child(name)->isEnabled() ? u'1' : u'0';
        return enabled == QLatin1String("1110000");
    }
    // Plays a scenario: steps separated by "; ", each something the user does or something that
    // must hold then. Buttons and menu entries are named without their kind ("click Play").
    //   model INDEX, id ID, folder N, rate N, port NAME, level DB: choose in the window
    //   connect [PORT], click BUTTON, tick BOX, press KEYS, focus WIDGET, menu ACTION, unplug,
    //   restart
    //   ports NAME... (the ports listed from now on, "-" for none, as adapters come and go)
    //   sends HEX (nothing when empty), status TEXT (TEXT* for a prefix; waits up to a second
    //   for it), label TEXT, closed, open
    // Returns the first check that failed, with what was seen instead; empty when all held.
    QString play(const QString &scenario)
    {
        const std::map<QString, const char *> lists{
            {QStringLiteral("id"), "comboBox_ID"},
            {QStringLiteral("folder"), "comboBox_Folder"},
            {QStringLiteral("port"), "comboBox_Serial_Port"},
            {QStringLiteral("rate"), "comboBox_Serial_Baudrate"}};
        for (const QString &step : scenario.split(QStringLiteral("; "), Qt::SkipEmptyParts)) {
            const QString verb = step.section(u' ', 0, 0);
            QString expected = step.section(u' ', 1);
            const QByteArray name = expected.toLatin1();
            std::optional<QString> seen;
            if (lists.count(verb)) {
                select(lists.at(verb), expected);
            } else if (verb == u"model") {
                chooseModel(expected.toInt());
            } else if (verb == u"level") {
                child<QSlider>("horizontalSlider_All")->setValue(expected.toInt());
            } else if (verb == u"connect") {
                connectTo(expected.isEmpty() ? line->slavePath : expected);
            } else if (verb == u"click") {
                click(("pushButton_" + name).constData());
            } else if (verb == u"press") {
                press(name.constData());
            } else if (verb == u"focus") {
                child(name.constData())->setFocus();
            } else if (verb == u"tick") {
                child<QCheckBox>(("checkBox_" + name).constData())->click();
            } else if (verb == u"menu") {
                child<QAction>(("action" + name).constData())->trigger();
            } else if (verb == u"unplug") {
                line->closeMaster();
            } else if (verb == u"ports") {
                QList<PortInfo> listed;
                for (const QString &port : expected.split(u' ', Qt::SkipEmptyParts))
                    if (port != u"-")
                        listed.append(PortInfo(port));
                setPorts(listed);
                auto *watcher = window->findChild<PortWatcher *>();
                watcher->rescan();
                if (!QTest::qWaitFor([&] { return watcher->ports() == listed; }))
                    return step + QStringLiteral(": the list did not follow");
            } else if (verb == u"restart") {
                window.reset();
                start();
            } else if (verb == u"sends") {
                const QByteArray frames = QByteArray::fromHex(name);
                expected = QString::fromLatin1(frames.toHex(' '));
                seen = QString::fromLatin1(receive(int(frames.size())).toHex(' '));
            } else if (verb == u"status") {
                const auto matches = [this, &expected] {
                    return status() == expected ||
                           (expected.endsWith(u'*') && status().size() >= expected.size() &&
                            status().startsWith(expected.chopped(1)));
                };
                seen = QTest::qWaitFor(matches, 1000) ? expected : status();
            } else if (verb == u"label") {
                seen = child<QLabel>("label_Volume_Value_All")->text();
            } else if (verb == u"closed" || verb == u"open") {
                expected = verb;
                seen = QLatin1String(isClosedArrangement() == serialPort->isOpen() ? "neither"
                                     : serialPort->isOpen()                        ? "open"
                                                                                   : "closed");
            } else {
                qFatal("unknown step: %s", qPrintable(step));
            }
            if (seen && *seen != expected)
                return QStringLiteral("%1: saw \"%2\"").arg(step, *seen);
        }
        return {};
    }
    QString markedLanguage() const
    {
        QStringList marked;
        for (const char *name : {"actionDefault", "actionEnglish", "actionFran_ais"})
            if (child<QAction>(name)->isChecked())
                marked << QLatin1String(name);
        return marked.join(u',');
    }
    static void forgetSettings()
    {
        const SettingsStore store = SettingsStore::forApplication();
        for (const QString &path :
             {store.programFilePath(), store.userFilePath(),
              QFileInfo(store.userFilePath()).path() + QStringLiteral("/window.ini")})
            if (!QFile::remove(path))
                QDir(path).removeRecursively();
    }

    // The ports the window finds, as a device coming or going would leave them.
    static void setPorts(const QList<PortInfo> &list)
    {
        const QMutexLocker lock(&portsLock);
        ports = list;
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
        working =
            std::make_unique<QTemporaryDir>(QDir::tempPath() + QLatin1String("/tessary-XXXXXX"));
        QVERIFY(QDir::setCurrent(working->path()));
        line = std::make_unique<PseudoTerminal>();
        setPorts({{QStringLiteral("/dev/tessary-absent-0")},
                  {line->slavePath},
                  {QStringLiteral("/dev/tessary-absent-2")}});
    }
    void cleanup()
    {
        window.reset();
        serialPort->close();
        QCoreApplication::removeTranslator(&translator);
        line.reset();
        forgetSettings();
    }
};
