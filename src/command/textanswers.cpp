#include "command/textanswers.h"

namespace TextAnswers {

QByteArray answer(const Reply &reply)
{
    switch (reply.outcome) {
    case Reply::Outcome::Sent:
    case Reply::Outcome::NothingToDo:
        return "OK\r\n";
    case Reply::Outcome::Refused:
        return "ERR 64 " + reply.reasonSaid().toUtf8() + "\r\n";
    case Reply::Outcome::NotSent:
        break;
    }
    return "ERR 74 " + reply.reasonSaid().toUtf8() + "\r\n";
}

std::optional<Reply> read(QByteArrayView answer)
{
    const QByteArrayView line = answer.trimmed();
    if (line == "OK") {
        Reply sent;
        sent.outcome = Reply::Outcome::Sent;
        return sent;
    }
    for (const auto &[code, outcome] : {std::pair{"ERR 64 ", Reply::Outcome::Refused},
                                        std::pair{"ERR 74 ", Reply::Outcome::NotSent}})
        if (line.startsWith(code))
            return Reply::fromReasonSaid(outcome, QString::fromUtf8(line.sliced(7)));
    return std::nullopt;
}

} // namespace TextAnswers
