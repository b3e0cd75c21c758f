#include "serial/serialport.h"

#include <QSerialPort>

QSerialPort *const serialPort = new QSerialPort;
