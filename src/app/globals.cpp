#include "globals.h"

#include <QSerialPort>
#include <QTranslator>

QSerialPort *const serialPort = new QSerialPort;
QTranslator translator;
QTranslator qtBaseTranslator;
QTranslator qtSerialPortTranslator;
const QLocale LocaleEnglish(QLocale::English);
const QLocale LocaleFrench(QLocale::French);
