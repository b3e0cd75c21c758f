#pragma once

#include "storage/inifile.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <functional>
#include <variant>
#include <vector>

// One section of a configuration file, each of its keys written once: its name, the member of
// the settings it fills, what it takes (a number's range), whether it is a secret. The section
// is read strictly from that list, written back, compared and shown from it, so that a key can
// be neither read without being compared nor compared without being written.
template <class Settings> class SettingsSection
{
public:
    using Member = std::variant<bool Settings::*, quint16 Settings::*, int Settings::*,
                                QString Settings::*, QStringList Settings::*>;
    struct Key
    {
        const char *name;
        Member member;
        uint least = 0, most = 0; // a number's range
        bool secret = false;      // never shown
    };

    // finish: defaults that hang on other keys, once the rest is read.
    SettingsSection(const char *name, std::vector<Key> keys,
                    std::function<void(Settings &, const IniFile &)> finish = {})
        : m_name(QLatin1String(name)), m_keys(std::move(keys)), m_finish(std::move(finish))
    {}

    QString name() const { return m_name; }
    QStringList keyNames() const
    {
        QStringList names;
        for (const Key &key : m_keys)
            names << QLatin1String(key.name);
        return names;
    }

    // The section as the file has it, each key missing at its default; what cannot be read is
    // an error of the file.
    Settings read(IniFile &file) const
    {
        Settings read;
        for (const Key &key : m_keys) {
            const QString name = QLatin1String(key.name);
            std::visit(
                [&](auto member) {
                    auto &value = read.*member;
                    using Value = std::decay_t<decltype(value)>;
                    if constexpr (std::is_same_v<Value, bool>)
                        value = file.flag(m_name, name, value);
                    else if constexpr (std::is_same_v<Value, QString>)
                        value = file.text(m_name, name, value);
                    else if constexpr (std::is_same_v<Value, QStringList>)
                        value = file.contains(m_name, name) ? file.list(m_name, name) : value;
                    else
                        value = Value(file.number(m_name, name, key.least, key.most, uint(value)));
                },
                key.member);
        }
        if (m_finish)
            m_finish(read, file);
        return read;
    }

    void save(QSettings &settings, const Settings &saved) const
    {
        settings.beginGroup(m_name);
        for (const Key &key : m_keys)
            std::visit(
                [&](auto member) {
                    const auto &value = saved.*member;
                    if constexpr (std::is_same_v<std::decay_t<decltype(value)>, QStringList>)
                        settings.setValue(QLatin1String(key.name), value.join(QLatin1String(", ")));
                    else
                        settings.setValue(QLatin1String(key.name), value);
                },
                key.member);
        settings.endGroup();
    }

    bool same(const Settings &one, const Settings &other) const
    {
        return std::all_of(m_keys.cbegin(), m_keys.cend(), [&](const Key &key) {
            return std::visit([&](auto member) { return one.*member == other.*member; },
                              key.member);
        });
    }

    // "key=value" for each key, as read; a secret shown as set or not.
    QStringList shown(const Settings &settings) const
    {
        QStringList lines;
        for (const Key &key : m_keys)
            lines << QLatin1String(key.name) + u'=' +
                         std::visit([&](auto member) { return text(settings.*member, key.secret); },
                                    key.member);
        return lines;
    }

private:
    static QString text(bool value, bool)
    {
        return value ? QStringLiteral("true") : QStringLiteral("false");
    }
    static QString text(quint16 value, bool) { return QString::number(value); }
    static QString text(int value, bool) { return QString::number(value); }
    static QString text(const QString &value, bool secret)
    {
        return secret && !value.isEmpty() ? QStringLiteral("(set)") : value;
    }
    static QString text(const QStringList &value, bool) { return value.join(QLatin1String(", ")); }

    QString m_name;
    std::vector<Key> m_keys;
    std::function<void(Settings &, const IniFile &)> m_finish;
};
