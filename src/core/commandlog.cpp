#include "commandlog.h"

#include <QCoreApplication>
#include <QSaveFile>

CommandLog::CommandLog(int limit, QObject *parent) : QAbstractTableModel(parent), m_limit(limit) {}

void CommandLog::addCommand(int playerId, const QString &name, const CommandFrame &frame,
                            Result result)
{
    add({QDateTime::currentDateTime(), playerId, name, frame, result});
}

void CommandLog::addEvent(const QString &text)
{
    add({QDateTime::currentDateTime(), -1, text, CommandFrame(), Result::Sent});
}

void CommandLog::add(Row row)
{
    if (m_rows.size() >= m_limit) {
        beginRemoveRows({}, 0, 0);
        m_rows.removeFirst();
        endRemoveRows();
    }
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size()));
    m_rows.append(std::move(row));
    endInsertRows();
}

void CommandLog::clear()
{
    beginResetModel();
    m_rows.clear();
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

QString CommandLog::text(const Row &row, int column, bool withDate) const
{
    const bool command = row.playerId >= 0;
    switch (column) {
    case Time:
        return row.time.toString(withDate ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")
                                          : QStringLiteral("HH:mm:ss.zzz"));
    case Player:
        return command ? QString::number(row.playerId) : QString();
    case Command:
        return command ? row.what : QString();
    case Frame:
        return command ? QString::fromLatin1(row.frame.toByteArray().toHex(' ')) : QString();
    case Outcome:
        // A change of the connection is told as the status line told it.
        if (!command)
            return row.what;
        return row.result == Result::Sent      ? tr("sent")
               : row.result == Result::NotSent ? tr("not sent")
                                               : tr("connection lost");
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
    const char *const titles[] = {QT_TR_NOOP("Time"), QT_TR_NOOP("Player"), QT_TR_NOOP("Command"),
                                  QT_TR_NOOP("Frame"), QT_TR_NOOP("Outcome")};
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
    QString csv;
    for (int column = 0; column < ColumnCount; ++column)
        csv += (column ? QLatin1String(",") : QLatin1String()) +
               field(headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
    csv += QLatin1String("\r\n");
    for (const Row &row : m_rows) {
        for (int column = 0; column < ColumnCount; ++column)
            csv += (column ? QLatin1String(",") : QLatin1String()) + field(text(row, column, true));
        csv += QLatin1String("\r\n");
    }
    return csv.toUtf8();
}

bool CommandLog::saveCsv(const QString &path, QString *why) const
{
    QSaveFile file(path);
    const QByteArray csv = toCsv();
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(csv) == csv.size() &&
        file.commit())
        return true;
    *why = file.errorString();
    file.cancelWriting();
    return false;
}
