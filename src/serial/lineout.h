#pragma once

#include <QByteArray>
#include <QObject>

// Where frames go: the serial link itself, or a stand-in that takes them and sends nothing, for
// a dry run.
class LineOut : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual bool isOpen() const = 0;
    // True when the line took every byte.
    virtual bool send(const QByteArray &data) = 0;
    virtual int baudRate() const = 0;

signals:
    void opened();
    // Closed on purpose, not by a loss.
    void closed();
    void connectionLost();
};

// A line that takes every frame at once and sends none.
class StandInLine : public LineOut
{
    Q_OBJECT

public:
    explicit StandInLine(int baudRate, QObject *parent = nullptr)
        : LineOut(parent), m_baudRate(baudRate)
    {}
    bool isOpen() const override { return true; }
    bool send(const QByteArray &) override { return true; }
    int baudRate() const override { return m_baudRate; }

private:
    int m_baudRate;
};
