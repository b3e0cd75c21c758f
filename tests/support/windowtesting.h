#pragma once

#include "constants.h"
#include "settingsstore.h"

#include <QFile>
#include <QObject>
#include <QStandardPaths>
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

} // namespace WindowTesting
