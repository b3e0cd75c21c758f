#pragma once

#include <QByteArray>
#include <QString>
#include <termios.h>

// A pseudo-terminal pair: the program opens the slave as its serial port, the test reads what
// reached the line at the master.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    // Waits up to timeoutMs for count bytes; returns what arrived.
    QByteArray read(int count, int timeoutMs = 2000);
    // Everything that arrives within quietMs of the last byte.
    QByteArray readAll(int quietMs = 50);

    // Unplugs the line: the slave side reports an I/O error from then on.
    void closeMaster();

    termios slaveSettings() const;
    bool setSlaveSettings(const termios &settings);

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};
