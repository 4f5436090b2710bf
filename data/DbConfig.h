#pragma once

#include <QMap>
#include <QString>

enum class Backend { Sqlite, Postgres };

/// Where and how to connect, resolved from the connection string and the default database.
struct DbSettings
{
    Backend backend = Backend::Postgres;
    QString sqliteFile; ///< absolute path of the embedded database file
    QString host;
    int port = 5432;
    QString user;
    QString password;
    QString database;
    QString connectionString; ///< the full keyword string, for diagnostics
};

/**
 * @brief The "DBSet.INI" configuration: line 1 is joined to a fixed prefix that names the login,
 * line 2 is the default database.
 *
 * Keywords we use: `Provider=SQLite` selects the embedded backend (line 2 is then the database
 * file, relative to the current directory); any other provider means the PostgreSQL server named
 * by `Data Source=host[,port]`, logging in with `User ID` and `Password`. A later keyword overrides
 * an earlier one, so line 1 can replace the prefix's login. Other keywords are ignored.
 */
namespace DbConfig {

extern const QString FixedPrefix;
/// The connection string in force until "DBSet.INI" has been applied: it names no server.
extern const QString BuiltInDefault;
extern const QString BuiltInDatabase;

/// Keyword pairs of a connection string; keys compared without letter case, the last one wins.
QMap<QString, QString> keywords(const QString& connectionString);

/// Removes leading and trailing blanks and control characters.
QString trimLine(const QString& line);

/// A relative SQLite file is taken from baseDir (the current directory unless given).
DbSettings resolve(const QString& connectionString, const QString& database,
                   const QString& baseDir = QString());

/// Reads line 1 and 2 of a DBSet.INI file. A missing or unreadable file returns false with the
/// system's input/output error text.
bool readIniFile(const QString& path, QString* lineOne, QString* lineTwo, QString* error);

} // namespace DbConfig
