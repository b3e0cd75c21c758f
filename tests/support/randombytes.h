#pragma once

#include <QByteArray>
#include <QRandomGenerator>

// The same bytes for the same seed, so a failure can be run again.
inline QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char &byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}
