#pragma once

#include <QString>

// The texts of the About window, kept apart from the dialog so that every case can be checked.
namespace AboutText {

struct Information
{
    QString applicationName;
    QString versionLabel; // "Version:", translated
    QString applicationVersion;
    QString organizationName;
    QString organizationDomain;
    QString operatingSystem;
};

// Five centred paragraphs: name, version, maker, home-page link and operating system. Every
// value is escaped, so a name with "<" or "&" shows as written.
QString informationHtml(const Information &information);

// Source text (context "AboutWindows") naming a Windows release from its version numbers, as
// QOperatingSystemVersion reports them; "Microsoft OS" for any release the list does not know.
const char *windowsName(int majorVersion, int minorVersion);

// Source text (context "AboutWindows") of the word-size suffix for a pointer size in bytes.
const char *wordSizeSuffix(int pointerBytes);

} // namespace AboutText
