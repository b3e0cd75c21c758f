#include "globals.h"

#include <QSerialPort>
#include <QTranslator>

QSerialPort *const serialPort = new QSerialPort;
QTranslator translator;
const QLocale LocaleEnglish(QLocale::English);
const QLocale LocaleFrench(QLocale::French);
