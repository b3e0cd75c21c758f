#pragma once

#include "command/commandpath.h"

#include <QString>

class StopSignals;

// Sends tessary-send's requests in order, each in the words every front end takes ("5 play",
// "courtyard folder 12", "scene Opening", "all stop"): through the request path to the line (or
// to a stand-in for a dry run), or through the service that holds the line, whose installation
// then knows the players and scenes. It keeps count of what became of them.
class Sender
{
public:
    Sender(CommandPath &path, const QString &port, int wait, bool dryRun, bool verbose);

    // The service that holds the port: every request goes through it.
    void sendThrough(int service) { m_service = service; }
    bool throughService() const { return m_service >= 0; }
    void watch(const StopSignals *stops) { m_stops = stops; }

    // Why the words would be refused as they stand, by whom: empty when they would not be.
    // Through the service, the players and scenes are the service's to know: only the words'
    // forms are checked here.
    QString refusal(const QString &words) const;
    // A request: a player's commands one at a time with the wait between them, a scene to its
    // end, Stop All. False once something was not done: what follows is not sent either.
    bool send(const QString &words);
    // Requests from standard input, a line at a time, each for this player unless it names
    // one; a line refused does not stop the others.
    bool sendLines(const QString &player);
    // A stop signal came: what is left is not sent.
    bool stop(bool leftUnsent = true);
    // The exit status for what became of them.
    int status() const;

private:
    Asked read(const QString &words) const;
    bool sendCommand(const QString &player, const PlayerCommand &command);
    bool runScene(const QString &name);
    bool stopAll();
    bool show(const QString &echo);
    bool notDone(const Reply &reply, const QString &echo);
    bool ask(const QString &request, const QString &echo);
    QString echoOf(const PlayerCommand &command) const;

    CommandPath &m_path;
    const StopSignals *m_stops = nullptr;
    int m_service = -1;
    QString m_port;
    int m_wait;
    bool m_dryRun;
    bool m_verbose;
    int m_status;
    int m_sent = 0;
    int m_refused = 0;
};
