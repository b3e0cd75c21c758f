#pragma once

#include "storage/configfile.h"

#include <QTranslator>

class QAction;

// The language of the texts: the catalogue of the one chosen, English, French or the system's,
// and Qt's own texts (dialog buttons, key names, the serial port's errors) in the same language,
// where Qt's catalogues are installed. Installed while it lives.
class LanguageSwitch
{
public:
    // The menu's three choices, one of them marked.
    LanguageSwitch(QAction *byDefault, QAction *english, QAction *french);

    Configuration::Language marked() const;
    void mark(Configuration::Language language);
    // Loads the language marked; whether its catalogue was found.
    bool load();

private:
    QAction *m_default;
    QAction *m_english;
    QAction *m_french;
    QTranslator m_texts;
    QTranslator m_qtBase;
    QTranslator m_qtSerialPort;
};
