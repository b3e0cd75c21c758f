#pragma once

#include <QLatin1StringView>
#include <QString>

// Identity of the program and the fixed strings shared by the settings file, the language
// catalogues and the device list.
namespace Tessary {

inline constexpr QLatin1StringView ApplicationName{"Tessary - Generic Edition"};
inline constexpr QLatin1StringView ApplicationVersion{"1.0.0"};
inline constexpr QLatin1StringView OrganizationName{"Copyright (c) 2026 Corvane"};
inline constexpr QLatin1StringView OrganizationDomain{"corvane.example"};
inline constexpr QLatin1StringView SupportAddress{"support@corvane.example"};

// Sets the name, version, organization and domain on the application class; call before the
// application object is created.
void applyApplicationIdentity();

} // namespace Tessary

extern const QString ConfigFileExtension;
extern const QString ConfigFileVersion;
extern const QString ConfigFileMagic;
extern const QString ConfigFileTitleSuffix;
extern const QString LanguageFilePrefix;
extern const QString DefaultLanguageLabel;
extern const QString ModelName1;
extern const QString ModelName2;
extern const QString ModelName3;
