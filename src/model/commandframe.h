#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

// One command to a player: address, command, parameter and a filler byte, sent as they stand.
struct CommandFrame
{
    std::array<std::uint8_t, 4> bytes{};

    QByteArray toByteArray() const;
    bool operator==(const CommandFrame &other) const { return bytes == other.bytes; }
};

namespace CommandFrames {

enum class Transport : std::uint8_t { Play = 0x01, Stop = 0x02, Next = 0x03, Previous = 0x04 };

// Players are addressed as 0x80 + ID; every value keeps its low eight bits.
CommandFrame transport(int playerId, Transport code);
// Folders come in banks of 128: the bank goes into the high nibble of the command byte.
CommandFrame launchFolder(int playerId, int folder);
CommandFrame volume(int playerId, int level);

// "<name> : 0x.. 0x.. 0x..": the first three bytes in lower-case hexadecimal, no padding.
QString echoText(const QString &name, const CommandFrame &frame);

} // namespace CommandFrames

namespace Volume {

// The level a player receives counts up from the mute level at the slider's minimum.
inline int level(int value, int minimum)
{
    return value - minimum;
}

// "-12 dB", or muteText at (or below) the minimum.
QString labelText(int value, int minimum, const QString &muteText);

} // namespace Volume
