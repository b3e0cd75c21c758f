#include "command/commandlog.h"

#include "storage/safefile.h"

#include <QCoreApplication>

CommandLog::CommandLog(int limit, QObject *parent) : QAbstractTableModel(parent), m_limit(limit)
{
    m_flush.setSingleShot(true);
    m_flush.setInterval(50);
    connect(&m_flush, &QTimer::timeout, this, &CommandLog::flush);
}

void CommandLog::addCommand(const PlayerCommand &command, int volumeMinimum,
                            const CommandFrame &frame, Reply::Reason notSent, const QString &source)
{
    Row row;
    row.time = QDateTime::currentDateTime();
    row.source = source;
    row.playerId = command.playerId;
    row.command = command;
    row.volumeMinimum = volumeMinimum;
    row.frame = frame;
    row.outcome = notSent == Reply::Reason::None ? Reply::Outcome::Sent : Reply::Outcome::NotSent;
    row.reason = notSent;
    add(std::move(row));
}

void CommandLog::addRequest(const QString &words, const Reply &reply, const QString &source)
{
    Row row;
    row.time = QDateTime::currentDateTime();
    row.source = source;
    row.what = words;
    row.outcome = reply.outcome;
    row.reason = reply.reason;
    row.detail = reply.reason == Reply::Reason::Refused ? reply.detail : QString();
    row.request = true;
    add(std::move(row));
}

void CommandLog::addEvent(const QString &text, const QString &source)
{
    Row row;
    row.time = QDateTime::currentDateTime();
    row.source = source;
    row.what = text;
    add(std::move(row));
}

void CommandLog::add(Row row)
{
    // Rows share the few texts they hold (command names, sources), rather than a copy each.
    for (QString *text : {&row.what, &row.source}) {
        const auto known = m_texts.constFind(*text);
        if (known != m_texts.cend())
            *text = *known;
        else if (m_texts.size() < MaxSharedTexts)
            m_texts.insert(*text);
    }
    m_pending.append(std::move(row));
    if (m_pending.size() > m_limit)
        m_pending.removeFirst();
    if (!m_flush.isActive())
        m_flush.start();
}

void CommandLog::flush()
{
    m_flush.stop();
    if (m_pending.isEmpty())
        return;
    // The oldest rows make room, then the new ones come in one go.
    const qsizetype overflow = m_rows.size() + m_pending.size() - m_limit;
    if (overflow > 0) {
        beginRemoveRows({}, 0, int(overflow - 1));
        m_rows.remove(0, overflow);
        endRemoveRows();
    }
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + m_pending.size() - 1));
    m_rows.append(std::move(m_pending));
    m_pending.clear();
    endInsertRows();
}

void CommandLog::setPlayerNames(const QHash<int, QString> &names)
{
    m_names = names;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, Player), index(int(m_rows.size()) - 1, Player));
}

void CommandLog::clear()
{
    beginResetModel();
    m_rows.clear();
    m_pending.clear();
    endResetModel();
}

int CommandLog::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CommandLog::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

// The outcome in the window's language; the same words as every protocol's in English.
QString CommandLog::outcomeText(const Row &row)
{
    switch (row.reason) {
    case Reply::Reason::None:
        return row.outcome == Reply::Outcome::NothingToDo ? tr("nothing to do") : tr("sent");
    case Reply::Reason::Refused:
        return tr("refused");
    case Reply::Reason::Busy:
        return tr("not sent: busy");
    case Reply::Reason::OverBudget:
        return tr("not sent: over budget");
    case Reply::Reason::Lost:
        return tr("connection lost");
    case Reply::Reason::Closed:
        return tr("not sent: the port is not open");
    case Reply::Reason::LineFull:
        return tr("not sent");
    case Reply::Reason::Held:
        return tr("not sent: held for today");
    case Reply::Reason::Skipped:
        return tr("not sent: skipped");
    case Reply::Reason::TooLate:
        break;
    }
    return tr("not sent: too late");
}

QString CommandLog::text(const Row &row, int column, bool withDate) const
{
    const bool command = row.command.has_value();
    switch (column) {
    case Time:
        return row.time.toString(withDate ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")
                                          : QStringLiteral("HH:mm:ss.zzz"));
    case Source:
        // The window's own rows in the window's language of the moment.
        return row.source == QLatin1String("window") ? tr("window") : row.source;
    case Player:
        if (!command)
            return {};
        if (const auto name = m_names.constFind(row.playerId); name != m_names.cend())
            return QString::number(row.playerId) + u' ' + *name;
        return QString::number(row.playerId);
    case Command:
        if (row.request)
            return row.what;
        if (!command)
            return {};
        if (row.command->kind == PlayerCommand::Kind::Folder)
            return tr("%1 %2").arg(PlayerCommands::name(row.command->kind)).arg(row.command->value);
        if (row.command->kind == PlayerCommand::Kind::Volume)
            return tr("%1 %2").arg(
                PlayerCommands::name(row.command->kind),
                Volume::labelText(row.command->value, row.volumeMinimum,
                                  QCoreApplication::translate("MainWindow", "Mute")));
        return PlayerCommands::name(row.command->kind);
    case Frame:
        return command ? QString::fromLatin1(row.frame.toByteArray().toHex(' ')) : QString();
    case Outcome:
        // A change of the connection is told as the status line told it.
        if (!command && !row.request)
            return row.what;
        return row.detail.isEmpty() ? outcomeText(row)
                                    : tr("%1: %2").arg(outcomeText(row), row.detail);
    }
    return {};
}

QVariant CommandLog::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    // The day too, in the tooltip.
    return text(m_rows[index.row()], index.column(), role == Qt::ToolTipRole);
}

QVariant CommandLog::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const char *const titles[] = {QT_TR_NOOP("Time"),   QT_TR_NOOP("Source"),
                                  QT_TR_NOOP("Player"), QT_TR_NOOP("Command"),
                                  QT_TR_NOOP("Frame"),  QT_TR_NOOP("Outcome")};
    return section >= 0 && section < ColumnCount ? tr(titles[section]) : QVariant();
}

QByteArray CommandLog::toCsv() const
{
    // A field with a comma, a quote or a line break goes in quotes, its quotes doubled.
    const auto field = [](QString value) {
        if (value.contains(QLatin1Char(',')) || value.contains(QLatin1Char('"')) ||
            value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')))
            value = QLatin1Char('"') + value.replace(QLatin1Char('"'), QLatin1String("\"\"")) +
                    QLatin1Char('"');
        return value;
    };
    // A byte order mark first, so that a spreadsheet takes the file for UTF-8.
    QString csv(QChar(0xFEFF));
    for (int column = 0; column < ColumnCount; ++column)
        csv += (column ? QLatin1String(",") : QLatin1String()) +
               field(headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
    csv += QLatin1String("\r\n");
    for (const Row &row : m_rows + m_pending) {
        for (int column = 0; column < ColumnCount; ++column)
            csv += (column ? QLatin1String(",") : QLatin1String()) + field(text(row, column, true));
        csv += QLatin1String("\r\n");
    }
    return csv.toUtf8();
}

bool CommandLog::saveCsv(const QString &path, QString *why) const
{
    return SafeFile::write(path, toCsv(), why);
}
