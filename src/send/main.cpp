// tessary-send: the window's commands from a shell, a script or a timer. The same frames, the
// same settings file, the same way of opening, locking and writing the port.

#include "configfile.h"
#include "constants.h"
#include "deviceprofile.h"
#include "portwatcher.h"
#include "sendcommands.h"
#include "seriallink.h"
#include "settingsstore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTextStream>
#include <QThread>
#include <algorithm>
#include <cstdio>

namespace {

// Exit statuses, as sysexits.h has them.
enum Exit { Sent = 0, Usage = 64, PortUnavailable = 69, NotSent = 74 };

int fail(int status, const QString &message)
{
    QTextStream(stderr) << "tessary-send: " << message << Qt::endl;
    return status;
}

// Where and to whom: the options given, else what the window saved, else its first start.
struct Target
{
    QString port;
    int model = 1;
    QString baud;
    int id = 0;
};

QStringList itemTexts(int count)
{
    QStringList texts;
    for (int i = 0; i < count; ++i)
        texts << QString::number(i);
    return texts;
}

void readSaved(Target &target)
{
    const SettingsStore store = SettingsStore::forApplication();
    const std::optional<QString> text = store.read();
    if (!text)
        return;
    const std::optional<Configuration> saved = ConfigFile::parse(*text);
    if (!saved) {
        fail(Sent, QStringLiteral("%1 is not a settings file the window wrote; give --port, "
                                  "--model, --baud and --id")
                       .arg(store.loadPath()));
        return;
    }
    // Matched as the window matches them.
    target.port = saved->serialPort;
    target.model =
        ConfigFile::matchListItem({ModelName1, ModelName2, ModelName3}, saved->device) + 1;
    target.baud = saved->baudrate;
    target.id = ConfigFile::matchListItem(itemTexts(128), saved->playerId);
}

// Negative numbers are handed to the parser with a minus sign of their own, so that it does not
// take them for options; here they are as typed.
QString typed(QString argument)
{
    return argument.startsWith(QChar(0x2212)) ? argument.replace(0, 1, QLatin1Char('-')) : argument;
}

// The options' values over the saved ones; the reason when one is wrong.
QString applyOptions(const QCommandLineParser &parser, Target &target)
{
    const QStringList models{ModelName1, ModelName2, ModelName3};
    const auto value = [&parser](const char *option) {
        return typed(parser.value(QLatin1String(option)));
    };
    if (parser.isSet(QStringLiteral("model"))) {
        const QString wanted = value("model");
        const auto known =
            std::find_if(models.cbegin(), models.cend(), [&wanted](const QString &name) {
                return name.compare(wanted, Qt::CaseInsensitive) == 0;
            });
        if (known == models.cend())
            return QStringLiteral("unknown model \"%1\"; the models are %2")
                .arg(wanted, models.join(QLatin1String(", ")));
        target.model = int(known - models.cbegin()) + 1;
    }
    const DeviceProfile &profile = DeviceProfiles::profile(target.model);
    if (parser.isSet(QStringLiteral("baud"))) {
        target.baud = value("baud");
        if (!profile.baudRates.contains(target.baud))
            return QStringLiteral("%1 has no rate %2; it has %3")
                .arg(models[target.model - 1], target.baud,
                     profile.baudRates.join(QLatin1String(", ")));
    } else if (!profile.baudRates.contains(target.baud)) {
        target.baud = profile.baudRates[profile.defaultBaudRate];
    }
    if (parser.isSet(QStringLiteral("id"))) {
        target.id = itemTexts(128).indexOf(value("id"));
        if (target.id < 0)
            return QStringLiteral("no player ID \"%1\": 0 to 127").arg(value("id"));
    }
    if (parser.isSet(QStringLiteral("port")))
        target.port = value("port");
    return {};
}

} // namespace

int main(int argc, char **argv)
{
    Tessary::applyApplicationIdentity();
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Sends commands to a serial audio player, as the Tessary window does.\n"
        "Commands: play, stop, next, previous, folder N, volume DB (0 down to the model's "
        "minimum, or mute). \"-\" reads commands from standard input, one or more per line.\n"
        "Anything not given is taken from the settings the window saved.\n"
        "Exit status: 0 all sent; 64 wrong usage or values; 69 the port could not be opened; "
        "74 a frame was not sent (nor the ones after it)."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {QStringLiteral("port"), QStringLiteral("Serial port, such as ttyUSB0 or COM3."),
         QStringLiteral("name")},
        {QStringLiteral("model"),
         QStringLiteral("Player model: Lumetto, Galdris or \"Lumetto MKII\"."),
         QStringLiteral("model")},
        {QStringLiteral("baud"), QStringLiteral("Line rate, one the model has."),
         QStringLiteral("rate")},
        {QStringLiteral("id"), QStringLiteral("Player ID, 0 to 127."), QStringLiteral("id")},
        {QStringLiteral("wait"), QStringLiteral("Milliseconds to wait between two commands."),
         QStringLiteral("ms"), QStringLiteral("0")},
        {QStringLiteral("dry-run"),
         QStringLiteral("Print each frame as the window echoes it, and open no port.")},
        {QStringLiteral("verbose"), QStringLiteral("Print each frame as it is sent.")},
        {QStringLiteral("list-ports"),
         QStringLiteral("List the serial ports: name, description, manufacturer and serial number, "
                        "separated by tabs.")},
    });
    parser.addPositionalArgument(QStringLiteral("commands"),
                                 QStringLiteral("What to send, in order."),
                                 QStringLiteral("command [value]..."));
    // A level such as -10 is a value, not an option.
    QStringList arguments = application.arguments();
    static const QRegularExpression negative(QStringLiteral("^-\\d+$"));
    for (QString &argument : arguments)
        if (negative.match(argument).hasMatch())
            argument.replace(0, 1, QChar(0x2212));
    if (!parser.parse(arguments))
        return fail(Usage, parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(Sent);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    QTextStream out(stdout);
    if (parser.isSet(QStringLiteral("list-ports"))) {
        for (const PortInfo &port : PortWatcher::systemPorts())
            out << port.name << '\t' << port.description << '\t' << port.manufacturer << '\t'
                << port.serialNumber << '\n';
        return Sent;
    }

    Target target;
    readSaved(target);
    const QString wrong = applyOptions(parser, target);
    bool isNumber = false;
    const int wait = parser.value(QStringLiteral("wait")).toInt(&isNumber);
    if (!wrong.isEmpty())
        return fail(Usage, wrong);
    if (!isNumber || wait < 0)
        return fail(Usage, QStringLiteral("no wait \"%1\": milliseconds, 0 or more")
                               .arg(typed(parser.value(QStringLiteral("wait")))));
    // Every word given is checked before the port is opened; "-" stands for standard input.
    const DeviceProfile &profile = DeviceProfiles::profile(target.model);
    QList<QStringList> batches{{}};
    for (const QString &word : parser.positionalArguments()) {
        if (word == QLatin1String("-"))
            batches << QStringList{word} << QStringList();
        else
            batches.last() << typed(word);
    }
    if (parser.positionalArguments().isEmpty())
        return fail(Usage, QStringLiteral("nothing to send; see --help"));
    for (const QStringList &batch : std::as_const(batches)) {
        const QString error = SendCommands::parse(batch, target.id, profile).error;
        if (batch != QStringList{QStringLiteral("-")} && !error.isEmpty())
            return fail(Usage, error);
    }

    const bool dryRun = parser.isSet(QStringLiteral("dry-run"));
    QSerialPort port;
    SerialLink link(&port);
    if (!dryRun && target.port.isEmpty())
        return fail(Usage, QStringLiteral("no port: give --port, or choose one in the window"));
    if (!dryRun && !link.open(target.port, target.baud.toInt()))
        return fail(PortUnavailable, link.errorString());
    int status = Sent;
    bool first = true;
    // False once a frame was not sent: the ones after it are not sent either.
    const auto send = [&](const QList<SendCommands::Command> &commands) {
        for (const SendCommands::Command &command : commands) {
            if (!std::exchange(first, false) && wait > 0)
                QThread::msleep(ulong(wait));
            const QString echo = CommandFrames::echoText(command.name, command.frame);
            if (!dryRun && !link.send(command.frame.toByteArray())) {
                status = fail(NotSent,
                              QStringLiteral("%1: %2 not sent, %3; the rest were not sent")
                                  .arg(target.port, echo,
                                       link.isOpen() ? QStringLiteral("the line took no more")
                                                     : QStringLiteral("the connection is lost")));
                return false;
            }
            if (dryRun || parser.isSet(QStringLiteral("verbose")))
                out << echo << Qt::endl;
        }
        return true;
    };
    bool going = true;
    for (qsizetype i = 0; going && i < batches.size(); ++i) {
        if (batches[i] != QStringList{QStringLiteral("-")}) {
            going = send(SendCommands::parse(batches[i], target.id, profile).commands);
            continue;
        }
        QTextStream in(stdin);
        static const QRegularExpression blanks(QStringLiteral("\\s+"));
        int number = 0;
        for (QString line; going && in.readLineInto(&line);) {
            const SendCommands::Parsed parsed =
                SendCommands::parse(line.split(blanks, Qt::SkipEmptyParts), target.id, profile);
            ++number;
            if (!parsed.error.isEmpty())
                status = fail(Usage, QStringLiteral("line %1: %2").arg(number).arg(parsed.error));
            else
                going = send(parsed.commands);
        }
    }
    link.close();
    return status;
}
