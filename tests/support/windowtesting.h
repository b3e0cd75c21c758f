#pragma once

#include "constants.h"
#include "settingsstore.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QObject>
#include <QPushButton>
#include <QStandardPaths>
#include <QWidget>
#include <QtGlobal>

namespace WindowTesting {

// The identity the program sets at start, and a private per-user configuration folder.
inline void prepare()
{
    Tessary::applyApplicationIdentity();
    QStandardPaths::setTestModeEnabled(true);
}

// Every window test starts as a first start: no settings file anywhere.
inline void forgetSettings()
{
    const SettingsStore store = SettingsStore::forApplication();
    QFile::remove(store.programFilePath());
    QFile::remove(store.userFilePath());
}

template <typename T> T *child(const QObject *window, const char *name)
{
    T *object = window->findChild<T *>(QLatin1String(name));
    if (!object)
        qFatal("no child %s", name);
    return object;
}

// The language entries that carry a mark, such as "actionFran_ais".
inline QString markedLanguage(const QObject *window)
{
    QStringList marked;
    for (const char *name : {"actionDefault", "actionEnglish", "actionFran_ais"}) {
        if (child<QAction>(window, name)->isChecked())
            marked << QString::fromLatin1(name);
    }
    return marked.join(QLatin1Char(','));
}

// Connect and the port settings open to the user, the commands and Disconnect closed to them.
inline bool isClosedArrangement(const QObject *window)
{
    return child<QWidget>(window, "pushButton_Open")->isEnabled() &&
           child<QWidget>(window, "comboBox_Serial_Port")->isEnabled() &&
           child<QWidget>(window, "comboBox_Serial_Baudrate")->isEnabled() &&
           !child<QWidget>(window, "groupBox_Transport")->isEnabled() &&
           !child<QWidget>(window, "groupBox_Folder")->isEnabled() &&
           !child<QWidget>(window, "groupBox_Volume")->isEnabled() &&
           !child<QWidget>(window, "pushButton_Close")->isEnabled();
}

// Picks a port the system did not list, such as a pseudo-terminal, and presses Connect.
inline void connectTo(const QObject *window, const QString &port)
{
    auto *ports = child<QComboBox>(window, "comboBox_Serial_Port");
    ports->addItem(port);
    ports->setCurrentIndex(ports->count() - 1);
    child<QPushButton>(window, "pushButton_Open")->click();
}

} // namespace WindowTesting
