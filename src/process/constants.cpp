#include "process/constants.h"

#include <QCoreApplication>

const QString ConfigFileExtension = QStringLiteral(".cfg");
const QString ConfigFileVersion = QStringLiteral("1.00");
const QString ConfigFileMagic = QStringLiteral("KVX1");
const QString ConfigFileTitleSuffix = QStringLiteral(" - Configuration File");
const QString LanguageFilePrefix = QStringLiteral("LanguageData_");
const QString DefaultLanguageLabel = QStringLiteral("(default)");
const QString ModelName1 = QStringLiteral("Lumetto");
const QString ModelName2 = QStringLiteral("Galdris");
const QString ModelName3 = QStringLiteral("Lumetto MKII");

namespace Tessary {

void applyApplicationIdentity()
{
    QCoreApplication::setApplicationName(ApplicationName);
    QCoreApplication::setApplicationVersion(ApplicationVersion);
    QCoreApplication::setOrganizationName(OrganizationName);
    QCoreApplication::setOrganizationDomain(OrganizationDomain);
}

} // namespace Tessary
