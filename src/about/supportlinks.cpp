#include "about/supportlinks.h"

namespace SupportLinks {

QUrl homePage(const QString &organizationDomain)
{
    return QUrl(QLatin1String("http://") + organizationDomain);
}

QUrl supportMail(const QString &address, const QString &subject, const QString &body)
{
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(address);
    const QByteArray query =
        "subject=" + QUrl::toPercentEncoding(subject) + "&body=" + QUrl::toPercentEncoding(body);
    url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    return url;
}

} // namespace SupportLinks
