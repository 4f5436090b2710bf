#pragma once

#include <QString>

/// Salted, slow password hashes (PBKDF2-SHA256 with a per-user salt), stored as
/// "pbkdf2-sha256$iterations$salt$hash" with salt and hash in base 64.
namespace PasswordHash {

QString make(const QString& password);
bool verify(const QString& password, const QString& stored);

} // namespace PasswordHash
