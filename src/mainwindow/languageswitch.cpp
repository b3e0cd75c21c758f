#include "mainwindow/languageswitch.h"

#include "storage/translations.h"

#include <QAction>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

LanguageSwitch::LanguageSwitch(QAction *byDefault, QAction *english, QAction *french)
    : m_default(byDefault), m_english(english), m_french(french)
{}

Configuration::Language LanguageSwitch::marked() const
{
    // French is looked at last and wins, should both ever be marked.
    if (m_french->isChecked())
        return Configuration::Language::French;
    if (m_english->isChecked())
        return Configuration::Language::English;
    return Configuration::Language::Default;
}

void LanguageSwitch::mark(Configuration::Language language)
{
    m_default->setChecked(language == Configuration::Language::Default);
    m_english->setChecked(language == Configuration::Language::English);
    m_french->setChecked(language == Configuration::Language::French);
}

bool LanguageSwitch::load()
{
    QString localeName = QLocale::system().name();
    switch (marked()) {
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
