#pragma once

#include <QString>
#include <QStringList>

class QTranslator;

namespace Translations {

// "LanguageData_" and the language code of a locale name such as "fr_FR".
QString catalogueName(const QString &localeName);

// Where catalogues are looked for, in order: the working directory, the program's folder, and
// the installed catalogues in ../share/tessary/translations.
QStringList searchDirectories(const QString &applicationDir);

// Loads the first catalogue found, with QTranslator's usual fallbacks in each directory.
bool load(QTranslator &translator, const QString &catalogue, const QString &applicationDir);

} // namespace Translations
