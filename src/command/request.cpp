#include "command/request.h"

QString Reply::why() const
{
    switch (reason) {
    case Reason::None:
        return {};
    case Reason::Refused:
        return detail;
    case Reason::Busy:
        return QStringLiteral("busy");
    case Reason::OverBudget:
        return QStringLiteral("over budget");
    case Reason::Lost:
        return QStringLiteral("connection lost");
    case Reason::Closed:
        return QStringLiteral("the port is not open");
    case Reason::LineFull:
        return QStringLiteral("the line took no more");
    case Reason::Held:
        return QStringLiteral("held for today");
    case Reason::Skipped:
        return QStringLiteral("skipped");
    case Reason::TooLate:
        break;
    }
    return QStringLiteral("too late (%1)").arg(detail);
}

QString Reply::outcomeWord() const
{
    switch (outcome) {
    case Outcome::Sent:
        return asked.target == Asked::Target::Scene ? QStringLiteral("started")
                                                    : QStringLiteral("sent");
    case Outcome::NothingToDo:
        return QStringLiteral("nothing to do");
    case Outcome::Refused:
        return QStringLiteral("refused");
    case Outcome::NotSent:
        break;
    }
    return QStringLiteral("not sent");
}

QString Reply::reasonSaid() const
{
    switch (outcome) {
    case Outcome::Refused:
        return why();
    case Outcome::NotSent:
        return outcomeWord() + QStringLiteral(": ") + why();
    case Outcome::Sent:
    case Outcome::NothingToDo:
        break;
    }
    return {};
}

Reply Reply::fromReasonSaid(Outcome outcome, QStringView said)
{
    Reply reply;
    reply.outcome = outcome;
    if (outcome == Outcome::Refused) {
        reply.reason = Reason::Refused;
        reply.detail = said.toString();
        return reply;
    }
    if (outcome != Outcome::NotSent)
        return reply;
    const QStringView why = said.startsWith(QLatin1String("not sent: ")) ? said.sliced(10) : said;
    for (const Reason reason :
         {Reason::Busy, Reason::OverBudget, Reason::Lost, Reason::Closed, Reason::LineFull,
          Reason::Held, Reason::Skipped}) {
        reply.reason = reason;
        if (reply.why() == why)
            return reply;
    }
    reply.reason = Reason::TooLate;
    reply.detail = why.startsWith(QLatin1String("too late (")) && why.endsWith(u')')
                       ? why.sliced(10).chopped(1).toString()
                       : why.toString();
    return reply;
}
