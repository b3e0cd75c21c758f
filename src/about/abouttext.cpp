#include "about/abouttext.h"

#include <QCoreApplication>

namespace AboutText {

QString informationHtml(const Information &information)
{
    const QString domain = information.organizationDomain.toHtmlEscaped();
    return QLatin1String("<p><b>") + information.applicationName.toHtmlEscaped() +
           QLatin1String("</b></p><p><b>") + information.versionLabel.toHtmlEscaped() +
           QLatin1String(" ") + information.applicationVersion.toHtmlEscaped() +
           QLatin1String("</b></p><p>") + information.organizationName.toHtmlEscaped() +
           QLatin1String("</p><p><a href=\"http://") + domain + QLatin1String("\">") + domain +
           QLatin1String("</a></p><p>") + information.operatingSystem.toHtmlEscaped() +
           QLatin1String("</p>");
}

const char *windowsName(int majorVersion, int minorVersion)
{
    struct Release
    {
        int major;
        int minor;
        const char *name;
    };
    static const Release releases[] = {
        {4, 0, QT_TRANSLATE_NOOP("AboutWindows", "Microsoft Windows NT")},
        {5, 0, QT_TRANSLATE_NOOP("AboutWindows", "Microsoft Windows 2000")},
        {5, 1, QT_TRANSLATE_NOOP("AboutWindows", "Microsoft Windows XP")},
        {5, 2, QT_TRANSLATE_NOOP("AboutWindows", "Microsoft Windows 2003")},
        {6, 0, QT_TRANSLATE_NOOP("AboutWindows", "Microsoft Windows Vista")},
        {6, 1, QT_TRANSLATE_NOOP("AboutWindows", "Microsoft Windows 7")},
    };
    for (const Release &release : releases) {
        if (release.major == majorVersion && release.minor == minorVersion)
            return release.name;
    }
    return QT_TRANSLATE_NOOP("AboutWindows", "Microsoft OS");
}

const char *wordSizeSuffix(int pointerBytes)
{
    return pointerBytes >= 8 ? QT_TRANSLATE_NOOP("AboutWindows", "(64bit)")
                             : QT_TRANSLATE_NOOP("AboutWindows", "(32bit)");
}

} // namespace AboutText
