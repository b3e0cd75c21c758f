#pragma once

#include "web/httpstream.h"

#include <QObject>
#include <QTcpSocket>

// What the server follows of one connection's bytes, kept with the connection itself: it goes
// when the connection goes, whoever deletes it.
class Following : public QObject
{
public:
    explicit Following(QTcpSocket *socket) : QObject(socket) {}

    static Following *of(QObject *socket)
    {
        if (socket)
            for (QObject *child : socket->children())
                if (auto *following = dynamic_cast<Following *>(child))
                    return following;
        return nullptr;
    }

    HttpStream stream;
    int answered = 0;
    int continued = 0; // the request a "100 Continue" went to
};
