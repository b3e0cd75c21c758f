#include "model/commandframe.h"

namespace {

CommandFrame makeFrame(int playerId, int command, int parameter)
{
    return CommandFrame{{static_cast<std::uint8_t>(0x80 + playerId),
                         static_cast<std::uint8_t>(command), static_cast<std::uint8_t>(parameter),
                         0x00}};
}

} // namespace

QByteArray CommandFrame::toByteArray() const
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), int(bytes.size()));
}

namespace CommandFrames {

CommandFrame transport(int playerId, Transport code)
{
    return makeFrame(playerId, 0x02, int(code));
}

CommandFrame launchFolder(int playerId, int folder)
{
    return makeFrame(playerId, 16 * (folder / 128) + 1, folder % 128);
}

CommandFrame volume(int playerId, int level)
{
    return makeFrame(playerId, 0x03, level);
}

QString echoText(const QString &name, const CommandFrame &frame)
{
    QString text = name + QLatin1String(" :");
    for (int i = 0; i < 3; ++i)
        text += QLatin1String(" 0x") + QString::number(frame.bytes[i], 16);
    return text;
}

} // namespace CommandFrames

namespace Volume {

QString labelText(int value, int minimum, const QString &muteText)
{
    if (value > minimum)
        return QString::number(value) + QLatin1String(" dB");
    return muteText;
}

} // namespace Volume
