#pragma once

class QSerialPort;

// The window's one serial port, process-wide. It lives as long as the process: an open port is
// left for the operating system to release at exit.
extern QSerialPort *const serialPort;
