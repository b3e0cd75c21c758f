#include "storage/safefile.h"
#include "web/webserver.h"

#include <QDir>
#include <QFile>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QRandomGenerator>

QString WebServer::newToken()
{
    QByteArray bytes(18, Qt::Uninitialized); // 144 bits
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString WebServer::keptToken(const QString &folder, QString *why)
{
    const QString path = QDir(folder).filePath(QStringLiteral("web-token"));
    // Read only from a regular file of a token's size: never through a link to a device.
    if (const std::optional<QByteArray> kept = SafeFile::read(path, 256)) {
        WebSettings check;
        check.token = QString::fromLatin1(kept->trimmed());
        if (!check.token.isEmpty() && check.refusal().isEmpty())
            return check.token;
    }
    const QString token = newToken();
    QDir().mkpath(folder);
    if (!SafeFile::write(path, (token + u'\n').toLatin1(), why))
        return {};
    // Its owner's alone, as a password is.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return token;
}

bool WebServer::sameToken(QByteArrayView given, QByteArrayView token)
{
    // Every byte of the token is looked at, whatever was given.
    unsigned difference = given.size() == token.size() ? 0 : 1;
    for (qsizetype i = 0; i < token.size(); ++i)
        difference |= unsigned(uchar(token[i]) ^ uchar(i < given.size() ? given[i] : 0));
    return difference == 0 && !token.isEmpty();
}

QString WebServer::pageUrl(const WebSettings &settings, const QString &token, quint16 port)
{
    QString host = settings.address;
    // Listening everywhere: the machine's address on the network, which a phone can reach.
    if (host == QLatin1String("0.0.0.0") || host == QLatin1String("::")) {
        host = QHostInfo::localHostName();
        for (const QHostAddress &own : QNetworkInterface::allAddresses())
            if (!own.isLoopback() && own.protocol() == QAbstractSocket::IPv4Protocol) {
                host = own.toString();
                break;
            }
    } else if (host.contains(u':'))
        host = u'[' + host + u']';
    return QStringLiteral("%1://%2:%3/?token=%4")
        .arg(settings.certFile.isEmpty() ? QStringLiteral("http") : QStringLiteral("https"), host)
        .arg(port)
        .arg(token);
}
