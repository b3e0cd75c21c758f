#pragma once

#include "configfile.h"

#include <QTranslator>

// The language of the texts: the catalogue of the one chosen, English, French or the system's,
// and Qt's own texts (dialog buttons, key names, the serial port's errors) in the same language,
// where Qt's catalogues are installed. Installed while it lives.
class LanguageSwitch
{
public:
    // Whether the catalogue of that language was found.
    bool load(Configuration::Language language);

private:
    QTranslator m_texts;
    QTranslator m_qtBase;
    QTranslator m_qtSerialPort;
};
