#pragma once

#include <QString>

// What an installation file may hold, and how a problem of one of its lines is said.
namespace InstallationLimits {

// A wait is at most an hour; a scene holds at most so many steps, a file so many scenes.
inline constexpr int MaxWaitMs = 3600 * 1000;
inline constexpr qsizetype MaxSteps = 1000;
inline constexpr qsizetype MaxScenes = 1000;

inline QString problem(int line, const QString &what)
{
    return QStringLiteral("line %1: %2").arg(line).arg(what);
}

} // namespace InstallationLimits
