#include "storage/configfile.h"

#include "process/constants.h"

#include <QLocale>
#include <array>

namespace ConfigFile {

namespace {

const QLatin1String Separator("****************************************");

const std::array<QLatin1String, 6> Keys{
    QLatin1String("Device"),       QLatin1String("Serial Port"), QLatin1String("Baudrate"),
    QLatin1String("Auto-connect"), QLatin1String("Language"),    QLatin1String("Player ID"),
};

constexpr int HeaderLines = 3;
constexpr int LinesPerRecord = 4;

// The lines of the text without their LF or CR LF.
QStringList splitLines(QStringView text)
{
    QStringList lines;
    for (QStringView line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        lines << line.toString();
    }
    return lines;
}

// A value always takes exactly one line: a line break in it would shift every later record.
QString oneLine(QString value)
{
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    return value;
}

} // namespace

QString fileName(const QString &applicationName)
{
    return applicationName + ConfigFileExtension;
}

QString languageName(Configuration::Language language)
{
    switch (language) {
    case Configuration::Language::English:
        return QLocale::languageToString(QLocale::English);
    case Configuration::Language::French:
        return QLocale::languageToString(QLocale::French);
    case Configuration::Language::Default:
        break;
    }
    return DefaultLanguageLabel;
}

QString format(const Configuration &configuration, const QString &applicationName,
               const QString &applicationVersion)
{
    const std::array<QString, 6> values{
        configuration.device,
        configuration.serialPort,
        configuration.baudrate,
        QString::number(configuration.autoConnect ? 1 : 0),
        languageName(configuration.language),
        configuration.playerId,
    };
    QString text = ConfigFileMagic + ConfigFileVersion + u'\n';
    text += applicationName + u' ' + ConfigFileTitleSuffix + u'\n';
    text += QLatin1String("Generate by: ") + applicationName + u' ' + applicationVersion + u'\n';
    for (std::size_t i = 0; i < Keys.size(); ++i) {
        text += Separator + u'\n' + Keys[i] + u'\n';
        text += Separator + u'\n' + oneLine(values[i]) + u'\n';
    }
    return text;
}

std::optional<Configuration> parse(QStringView text)
{
    const QStringList lines = splitLines(text);
    const QString &first = lines.first();
    if (!first.contains(ConfigFileMagic) || !first.contains(ConfigFileVersion))
        return std::nullopt;

    // Record k (from 1) keeps its value on line HeaderLines + LinesPerRecord * k.
    const auto value = [&lines](int record) {
        return lines.value(HeaderLines + LinesPerRecord * record - 1);
    };
    Configuration configuration;
    configuration.device = value(1);
    configuration.serialPort = value(2);
    configuration.baudrate = value(3);
    bool isNumber = false;
    configuration.autoConnect = value(4).toInt(&isNumber, 10) != 0 && isNumber;
    const QString language = value(5);
    if (language == languageName(Configuration::Language::English))
        configuration.language = Configuration::Language::English;
    else if (language == languageName(Configuration::Language::French))
        configuration.language = Configuration::Language::French;
    configuration.playerId = value(6);
    return configuration;
}

int matchListItem(const QStringList &items, const QString &value)
{
    if (items.isEmpty())
        return -1;
    const int last = items.lastIndexOf(value);
    return last >= 0 ? last : 0;
}

} // namespace ConfigFile
