// Holds a serial port open the way a second copy of the program would, until its standard
// input closes. Prints "held" once the port is open, or the reason it is not.
#include "seriallink.h"

#include <QCoreApplication>
#include <QSerialPort>
#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <port>\n", argv[0]);
        return 2;
    }
    QSerialPort port;
    SerialLink link(&port);
    if (!link.open(QString::fromLocal8Bit(argv[1]), 9600)) {
        std::printf("%s\n", qPrintable(link.errorString()));
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    char byte;
    while (::read(STDIN_FILENO, &byte, 1) > 0) {
    }
    link.close();
    return 0;
}
