// What the building's rooms say on the broker, as the venue reads it, mixed with presses from
// the page: a message a line ("courtyard/1/state {...}"), a press a line starting with '!'
// ("!courtyard 1 play", "!all stop", "!all scene Evening"). A '$' in a payload stands for the
// last press's ID, so that results can answer them. Whatever comes, what the venue keeps stays
// within its bounds and every press is answered once at most.

#include "remote/replyjson.h"
#include "remote/venue.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <cstdint>

// The time is no part of what is tried here.
QString ReplyJson::now()
{
    return QStringLiteral("2027-01-01T10:00:00.000Z");
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static int argc = 1;
    static char name[] = "venue-fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    static const QList<Installation::Scene> scenes =
        Installation::parse(u"[scene Evening]\ncourtyard: 1 stop\nwait 0.1\nall: stop\n").scenes();

    std::vector<int> answers;
    {
        Venue venue;
        venue.setScenes(scenes);
        venue.setJoined(true);
        QByteArray id;
        QObject::connect(&venue, &Venue::publishing, [&id](const QString &, const QByteArray &p) {
            id = QJsonDocument::fromJson(p).object().value(QLatin1String("id")).toString().toUtf8();
        });
        const QByteArrayView input(data, qsizetype(size));
        for (qsizetype start = 0; start <= input.size();) {
            qsizetype end = input.indexOf('\n', start);
            if (end < 0)
                end = input.size();
            const QByteArrayView line = input.sliced(start, end - start);
            start = end + 1;
            const qsizetype blank = line.indexOf(' ');
            const QString topic = QString::fromUtf8(blank < 0 ? line : line.first(blank));
            const QByteArray rest = blank < 0 ? QByteArray() : line.sliced(blank + 1).toByteArray();
            if (topic.startsWith(u'!')) {
                const std::size_t press = answers.size();
                answers.push_back(0);
                const auto done = [&answers, press](const Venue::Answer &) {
                    ++answers[press];
                };
                if (topic == u"!all" && rest == "stop")
                    venue.stopBuilding(done);
                else if (topic == u"!all" && rest.startsWith("scene "))
                    venue.runScene(QString::fromUtf8(rest.mid(6)), done);
                else
                    venue.request(topic.mid(1), QString::fromUtf8(rest), done);
            } else {
                venue.take(topic, QByteArray(rest).replace('$', id));
            }
            QCoreApplication::processEvents();
        }
        const QJsonArray rooms = venue.state().value(QLatin1String("rooms")).toArray();
        if (rooms.size() > Venue::MaxRooms)
            __builtin_trap();
        for (const QJsonValue room : rooms)
            if (room[QLatin1String("states")].toObject().size() > Venue::MaxStates)
                __builtin_trap();
    }
    for (const int times : answers)
        if (times > 1)
            __builtin_trap();
    return 0;
}
