#pragma once

#include <QString>

#include "data/DbConfig.h"

/**
 * @brief The data-access version check made before anything touches the database.
 *
 * Our data-access library is Qt SQL with the driver the configuration selects. Its version text
 * is the Qt runtime's version when that driver is installed, and "0.0" when it is missing, so a
 * workstation without its database driver stops at start-up with the installation message.
 */
namespace DataAccess {

inline constexpr int MinimumMajor = 2;
inline constexpr int MinimumMinor = 6;

QString Version(Backend backend);

/// Compares a version text with major.minor: the part before the first point, then the part
/// after it, each as a whole number.
bool VersionAtLeast(const QString& versionText, int major = MinimumMajor, int minor = MinimumMinor);

} // namespace DataAccess
