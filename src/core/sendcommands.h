#pragma once

#include "commandframe.h"
#include "deviceprofile.h"

#include <QList>
#include <QString>
#include <QStringList>

// Commands for a player written as words, as a shell script or a show controller gives them:
//   play | stop | next | previous | folder N | volume DB | volume mute
// Each becomes the very frame the window sends for the same player, model and value.
namespace SendCommands {

struct Command
{
    QString name; // as the window's echo names it, such as "Load folder"
    CommandFrame frame;
};

struct Parsed
{
    QList<Command> commands;
    QString error; // the first word that is not a command, and why; empty when all were
};

// Reads every command in words. A level is 0 down to the model's minimum, "-" or "−" before
// its digits; "mute" is the minimum.
Parsed parse(const QStringList &words, int playerId, const DeviceProfile &profile);

} // namespace SendCommands
