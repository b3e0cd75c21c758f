// The Qt floor for tessary-send: a bare Qt program that opens the terminal with QSerialPort at
// the rate, 8N1, and writes one frame.
#include <QCoreApplication>
#include <QSerialPort>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QSerialPort port(QString::fromLocal8Bit(argv[1]));
    port.setBaudRate(19200);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    if (!port.open(QIODevice::WriteOnly))
        return 1;
    const char frame[4] = {char(0x80), 0x02, 0x01, 0x00};
    port.write(frame, 4);
    return port.waitForBytesWritten(1000) ? 0 : 1;
}
