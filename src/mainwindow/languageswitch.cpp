#include "languageswitch.h"

#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

bool LanguageSwitch::load(Configuration::Language language)
{
    QString localeName = QLocale::system().name();
    switch (language) {
    case Configuration::Language::English:
        localeName = QLocale(QLocale::English).name();
        break;
    case Configuration::Language::French:
        localeName = QLocale(QLocale::French).name();
        break;
    case Configuration::Language::Default:
        break;
    }
    QCoreApplication::removeTranslator(&m_texts);
    const bool found = Translations::load(m_texts, Translations::catalogueName(localeName),
                                          QCoreApplication::applicationDirPath());
    if (found)
        QCoreApplication::installTranslator(&m_texts);
    const QString code = localeName.section(QLatin1Char('_'), 0, 0);
    for (QTranslator *qt : {&m_qtBase, &m_qtSerialPort}) {
        QCoreApplication::removeTranslator(qt);
        const QString module =
            qt == &m_qtBase ? QStringLiteral("qtbase_") : QStringLiteral("qtserialport_");
        if (qt->load(module + code, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(qt);
    }
    return found;
}
