#pragma once

#include <QString>
#include <QUrl>

// The links the Help menu hands to the desktop.
namespace SupportLinks {

QUrl homePage(const QString &organizationDomain);

// A mailto: link whose subject and body reach the mail program exactly as given, whatever
// characters a translation puts into them.
QUrl supportMail(const QString &address, const QString &subject, const QString &body);

} // namespace SupportLinks
