#pragma once

#include "model/commandframe.h"
#include "model/requestwords.h"

#include <QList>
#include <QString>
#include <optional>

// What someone asks of the line: a press in the window, a line of tessary-send, a cue from a
// show controller, a broker's message. Front ends fill it from their wire format.
struct Request
{
    // Who asks: a person at this machine (the window's controls, tessary-send on its own line),
    // a client (on the network, the broker, tessary-send through the service), the schedule.
    enum class Origin { Person, Client, Schedule };

    Origin origin = Origin::Person;
    QString source; // as the logs name it: "window", "OSC 192.168.1.20", "tessary-send"
    // Whose budget it is charged to: a client's address, the local sender, the broker. None for
    // a person at this machine, whose presses are never refused for the budget or a busy line.
    QString client;
    QString words;              // what is asked, in tessary-send's words
    std::optional<Asked> asked; // or what is asked, read already
    bool release = false;       // a button let go: it fires nothing
    QString refused;            // why the front end could not read it, in its own words
    QString late;               // why it comes too late to be sent
    QString reference;          // the sender's own name for it, said back with its result
    // A cue of the schedule not to be sent: today held, or this one skipped.
    enum class Withheld { No, Held, Skipped };
    Withheld withheld = Withheld::No;

    // A person's press in the window or on this machine.
    static Request press(const QString &source, const Asked &asked)
    {
        Request request;
        request.source = source;
        request.asked = asked;
        return request;
    }
    static Request press(const QString &source, const PlayerCommand &command)
    {
        Asked asked;
        asked.playerId = command.playerId;
        asked.commands = {command};
        return press(source, asked);
    }
};

// What became of a request.
struct Reply
{
    enum class Outcome { Sent, NothingToDo, Refused, NotSent };
    enum class Reason {
        None,
        Refused,
        Busy,
        OverBudget,
        Lost,
        Closed,
        LineFull,
        Held,
        Skipped,
        TooLate
    };

    Outcome outcome = Outcome::Refused;
    Reason reason = Reason::None;
    QString detail; // a refusal's words, or what makes it late
    Asked asked;    // what it was read as
    QString said;   // the request in words, for the logs: "courtyard (12) volume -13 dB"
    QList<CommandFrame> frames; // those sent, in order
    int framesAsked = 0;        // a scene's: up to its first wait
    QString echo;               // the last frame as the status line shows it

    bool sent() const { return outcome == Outcome::Sent; }
    // Its outcome and why, in the words every protocol and log uses; the window's log shows
    // them in its language (CommandLog).
    // Why it was refused or not sent: the refusal's own, "busy", "over budget", "connection
    // lost", "the port is not open", "the line took no more", "held for today", "skipped",
    // "too late (...)".
    QString why() const;
    // "sent", "started" (a scene under way), "nothing to do", "refused", "not sent".
    QString outcomeWord() const;
    // What follows the outcome: the refusal's words, "not sent: busy", ...; empty when it went.
    QString reasonSaid() const;
    // A reply as reasonSaid() wrote it, read back (a service's answer to tessary-send).
    static Reply fromReasonSaid(Outcome outcome, QStringView said);
};
