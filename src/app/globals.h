#pragma once

#include "constants.h"

#include <QLocale>

class QSerialPort;
class QTranslator;

// The one serial port of the process. It lives as long as the process: an open port is left
// for the operating system to release at exit.
extern QSerialPort *const serialPort;
// The one translator; holds the catalogue of the chosen language, if any.
extern QTranslator translator;
// Qt's own texts (dialog buttons, key names, the serial port's errors) in that language.
extern QTranslator qtBaseTranslator;
extern QTranslator qtSerialPortTranslator;
extern const QLocale LocaleEnglish;
extern const QLocale LocaleFrench;
