#include "translations.h"

#include "constants.h"

#include <QDir>
#include <QTranslator>

namespace Translations {

QString catalogueName(const QString &localeName)
{
    return LanguageFilePrefix + localeName.section(QLatin1Char('_'), 0, 0);
}

QStringList searchDirectories(const QString &applicationDir)
{
    const QDir program(applicationDir);
    return {QString(), program.path(),
            QDir::cleanPath(program.filePath(QStringLiteral("../share/tessary/translations")))};
}

bool load(QTranslator &translator, const QString &catalogue, const QString &applicationDir)
{
    const QStringList directories = searchDirectories(applicationDir);
    for (const QString &directory : directories) {
        if (translator.load(catalogue, directory))
            return true;
    }
    return false;
}

} // namespace Translations
