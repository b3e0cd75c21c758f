#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

class QTranslator;

namespace Translations {

// "LanguageData_" and the language code of a locale name such as "fr_FR".
QString catalogueName(const QString &localeName);

// Where catalogues are looked for, in order: the working directory, the program's folder, and
// the installed catalogues in ../share/tessary/translations.
QStringList searchDirectories(const QString &applicationDir);

// Loads the first sound catalogue found, with QTranslator's usual fallbacks in each directory,
// along with the catalogues it names. A damaged or empty one, or one that names a damaged one,
// is passed over, and the search goes on in the next directory.
bool load(QTranslator &translator, const QString &catalogue, const QString &applicationDir);

// True when every lookup QTranslator makes in this compiled catalogue stays inside it.
// QTranslator checks the outline of the file when it loads one, but trusts the offsets and
// lengths inside: a damaged catalogue that loads can make a lookup read far outside it. The
// catalogues it names are not looked at here.
bool isSoundCatalogue(QByteArrayView data);

} // namespace Translations
