#pragma once

#include "storage/settingssection.h"

#include <QString>
#include <QStringList>

// The front desk's page and its API, as the user set them up: off until switched on, on this
// machine only until another address is chosen; a token of at least 128 bits for every request.
struct WebSettings
{
    static constexpr int MinTokenLength = 22; // 128 bits, as URL-safe base64 writes them

    bool enabled = false;
    quint16 port = 7780;
    QString address = QStringLiteral("127.0.0.1");
    QStringList allowed;       // addresses and subnets; none: this machine only
    QString token;             // none: made at the first start, and kept
    QString certFile, keyFile; // PEM; both given: the page is served over HTTPS only

    // The section [web], each of its keys.
    static const SettingsSection<WebSettings> &section();
    // Why they cannot be used as written; empty when they can.
    QString refusal() const;

    bool operator==(const WebSettings &other) const { return section().same(*this, other); }
};
