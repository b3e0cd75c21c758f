#include "remote/textprotocol.h"

#include "command/textanswers.h"
#include "remote/remoterequest.h"

namespace TextProtocol {

QByteArray serve(CommandPath &path, QStringView line, const QString &source, const QString &client)
{
    if (line.trimmed().isEmpty())
        return {};
    if (line.trimmed().compare(QLatin1String("PING"), Qt::CaseInsensitive) == 0)
        return "PONG\r\n";
    Request request = RemoteRequests::fromText(line);
    request.source = source;
    request.origin = Request::Origin::Client;
    request.client = client;
    return TextAnswers::answer(path.request(request));
}

} // namespace TextProtocol
