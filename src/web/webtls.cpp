#include "storage/safefile.h"
#include "web/webserver.h"

#if QT_CONFIG(ssl)
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#endif

#if QT_CONFIG(ssl)
std::optional<QSslConfiguration> WebServer::tlsConfiguration(const WebSettings &settings,
                                                             QString *why)
{
    if (!QSslSocket::supportsSsl()) {
        *why = QStringLiteral("HTTPS: no TLS library on this machine (%1)")
                   .arg(QSslSocket::sslLibraryBuildVersionString());
        return std::nullopt;
    }
    // Read as the files they are, never through a link to a device; a key without a passphrase.
    const std::optional<QByteArray> chain = SafeFile::read(settings.certFile, 1 << 20);
    const QList<QSslCertificate> certificates =
        chain ? QSslCertificate::fromData(*chain, QSsl::Pem) : QList<QSslCertificate>();
    if (certificates.isEmpty()) {
        *why =
            QStringLiteral("certFile %1: no PEM certificate could be read").arg(settings.certFile);
        return std::nullopt;
    }
    const std::optional<QByteArray> keyText = SafeFile::read(settings.keyFile, 1 << 20);
    QSslKey key;
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
        if (keyText && key.isNull())
            key = QSslKey(*keyText, algorithm, QSsl::Pem);
    }
    if (key.isNull()) {
        *why = QStringLiteral("keyFile %1: no PEM private key without a passphrase could be read")
                   .arg(settings.keyFile);
        return std::nullopt;
    }
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(certificates);
    tls.setPrivateKey(key);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    tls.setProtocol(QSsl::TlsV1_2OrLater);
    return tls;
}
#endif
