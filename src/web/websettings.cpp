#include "web/websettings.h"

#include "remote/remotesettings.h"

const SettingsSection<WebSettings> &WebSettings::section()
{
    using S = WebSettings;
    static const SettingsSection<S> section("web", {{"enabled", &S::enabled},
                                                    {"port", &S::port, 1, 65535},
                                                    {"address", &S::address},
                                                    {"allowed", &S::allowed},
                                                    {"token", &S::token, 0, 0, true},
                                                    {"certFile", &S::certFile},
                                                    {"keyFile", &S::keyFile}});
    return section;
}

QString WebSettings::refusal() const
{
    if (!token.isEmpty() &&
        (token.size() < MinTokenLength || !std::all_of(token.cbegin(), token.cend(), [](QChar c) {
             return (c.isLetterOrNumber() && c.unicode() < 128) || c == u'-' || c == u'_';
         })))
        return QStringLiteral("the token must be at least %1 letters, digits, - or _ (128 bits)")
            .arg(MinTokenLength);
    if (certFile.isEmpty() != keyFile.isEmpty())
        return QStringLiteral("certFile and keyFile go together: HTTPS needs both");
    // The address and the allowed clients, read and worded as remote control's are.
    RemoteSettings asRemote;
    asRemote.address = address;
    asRemote.allowed = allowed;
    return asRemote.refusal();
}
