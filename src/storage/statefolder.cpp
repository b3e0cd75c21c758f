#include "storage/statefolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace StateFolder {

QString forConfiguration(const QString &configurationFile)
{
    return forConfiguration(configurationFile, QStringLiteral(TESSARY_CONFIG_DIR),
                            QStringLiteral(TESSARY_STATE_DIR));
}

QString forConfiguration(const QString &configurationFile, const QString &systemFolder,
                         const QString &stateRoot)
{
    const QString unit = qEnvironmentVariable("STATE_DIRECTORY").section(u':', 0, 0);
    if (!unit.isEmpty())
        return unit;
    const QFileInfo file(configurationFile);
    if (!configurationFile.isEmpty() &&
        QDir::cleanPath(file.absolutePath()) == QDir::cleanPath(systemFolder)) {
        const QString name = file.completeBaseName();
        return name == QLatin1String("tessaryd") ? stateRoot : stateRoot + u'/' + name;
    }
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

} // namespace StateFolder
