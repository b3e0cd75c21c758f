#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The six settings kept from one run to the next.
struct Configuration
{
    enum class Language { Default, English, French };

    QString device;
    QString serialPort;
    QString baudrate;
    bool autoConnect = false;
    Language language = Language::Default;
    QString playerId;
};

// The settings file: a 27-line text, header then six records of separator, key, separator and
// value. Values are read back by position alone.
namespace ConfigFile {

QString fileName(const QString &applicationName);

// Line breaks inside a value are written as spaces, so the file always has its 27 lines.
QString format(const Configuration &configuration, const QString &applicationName,
               const QString &applicationVersion);

// Nothing when the first line lacks the magic or the version. Lines missing at the end read as
// empty values.
std::optional<Configuration> parse(QStringView text);

// The item a saved value selects: the last one equal to it, item 0 when none is, -1 for an
// empty list.
int matchListItem(const QStringList &items, const QString &value);

// "English" and "French", the names the file stores for the two languages.
QString languageName(Configuration::Language language);

} // namespace ConfigFile
