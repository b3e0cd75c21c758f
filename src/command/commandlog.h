#pragma once

#include "command/request.h"
#include "model/commandframe.h"
#include "model/playercommand.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QTimer>

// What was sent, by whom, and what became of it: one row per frame tried, one per request that
// sent none, and one per change of the connection or of remote control, told in the outcome
// column in the window's language. The oldest rows go once there are more than a limit. The CSV
// holds every row, also those not in the table yet.
class CommandLog : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Time, Source, Player, Command, Frame, Outcome, ColumnCount };

    explicit CommandLog(int limit = 10000, QObject *parent = nullptr);

    // A command to a player, for a model whose mute is volumeMinimum, and who sent it: "window"
    // (shown in the window's language), or "OSC 192.168.1.20". Shown in the language of the
    // moment: "Volume -13 dB", "Load folder 12".
    // notSent: why the frame did not go, or none.
    void addCommand(const PlayerCommand &command, int volumeMinimum, const CommandFrame &frame,
                    Reply::Reason notSent, const QString &source = {});
    // A request that sent no frame, in the words it came in, and what became of it.
    void addRequest(const QString &words, const Reply &reply, const QString &source);
    // A change of the connection, or of remote control, by what the status line says of it.
    void addEvent(const QString &text, const QString &source = {});
    void clear();
    // The names of the players, shown with their IDs.
    void setPlayerNames(const QHash<int, QString> &names);
    // Rows come into the table 20 times a second at most, so that a view of it costs little
    // during a drag of the volume; this brings them in at once.
    void flush();

    // The rows as CSV (RFC 4180, UTF-8 with a byte order mark, a header row), written whole or
    // not at all, never through a link to anything but a regular file. False, with
    // the reason in why, when it could not be saved; the rows stay either way.
    bool saveCsv(const QString &path, QString *why) const;
    QByteArray toCsv() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row
    {
        QDateTime time;
        QString source;
        int playerId = -1; // -1 for a change of the connection, or a request without a frame
        std::optional<PlayerCommand> command;
        int volumeMinimum = 0;
        QString what; // the event, or the request's words
        CommandFrame frame;
        Reply::Outcome outcome = Reply::Outcome::Sent;
        Reply::Reason reason = Reply::Reason::None;
        QString detail; // why it was refused
        bool request = false;
    };
    void add(Row row);
    static QString outcomeText(const Row &row);
    QString text(const Row &row, int column, bool withDate) const;

    static constexpr qsizetype MaxSharedTexts = 256;
    QList<Row> m_rows;
    QList<Row> m_pending;
    QSet<QString> m_texts;
    QHash<int, QString> m_names;
    int m_limit;
    QTimer m_flush;
};
