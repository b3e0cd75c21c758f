#pragma once

#include <QByteArray>

// Lines of standard input as they come. A line longer than MaxLineBytes is refused whole and is
// never held in memory: what comes of it before its end is thrown away.
class LineReader
{
public:
    enum Result { Line, TooLong, End, Stopped };

    // A line at most this long; what is longer is refused without being kept.
    static constexpr qsizetype MaxLineBytes = 4096;

    Result next(QByteArray &line)
    {
        for (;;) {
            const qsizetype end = m_buffer.indexOf('\n');
            if (end >= 0) {
                line = m_buffer.left(end);
                m_buffer.remove(0, end + 1);
                return std::exchange(m_skipping, false) || line.size() > MaxLineBytes ? TooLong
                                                                                      : Line;
            }
            if (m_skipping || m_buffer.size() > MaxLineBytes) {
                m_skipping = true;
                m_buffer.clear();
            }
            if (m_ended) {
                line = std::exchange(m_buffer, {});
                return std::exchange(m_skipping, false) ? TooLong : line.isEmpty() ? End : Line;
            }
            if (!fill())
                return Stopped;
        }
    }

private:
    // Reads what standard input has; false when a stop signal came first.
    bool fill();

    QByteArray m_buffer;
    bool m_skipping = false;
    bool m_ended = false;
};
