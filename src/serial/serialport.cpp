#include "serialport.h"

#include <QSerialPort>

QSerialPort *const serialPort = new QSerialPort;
