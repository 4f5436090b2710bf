#include "data/DbConfig.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

namespace DbConfig {

const QString FixedPrefix = QStringLiteral(
    "Provider=SQLOLEDB.1;Password=7)3(9*1&2%;Persist Security Info=True;User ID=PellixSecAccount;");
const QString BuiltInDatabase = QStringLiteral("PellixDBNEW");
const QString BuiltInDefault =
    FixedPrefix + QStringLiteral("Initial Catalog=PellixDBNEW;Use Procedure for Prepare=1;"
                                 "Auto Translate=True;Packet Size=4096;Workstation ID=HEYU;"
                                 "Use Encryption for Data=False;"
                                 "Tag with column collation when possible=False");

QMap<QString, QString> keywords(const QString& connectionString)
{
    QMap<QString, QString> result;
    const QStringList pairs = connectionString.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& pair : pairs) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        result.insert(pair.left(eq).trimmed().toLower(), pair.mid(eq + 1).trimmed());
    }
    return result;
}

QString trimLine(const QString& line)
{
    qsizetype first = 0;
    qsizetype last = line.size();
    while (first < last && line.at(first).unicode() <= 0x20)
        ++first;
    while (last > first && line.at(last - 1).unicode() <= 0x20)
        --last;
    return line.mid(first, last - first);
}

DbSettings resolve(const QString& connectionString, const QString& database, const QString& baseDir)
{
    const QMap<QString, QString> kw = keywords(connectionString);
    DbSettings s;
    s.connectionString = connectionString;
    s.database = database;
    if (kw.value(QStringLiteral("provider")).compare(QLatin1String("SQLite"), Qt::CaseInsensitive)
        == 0) {
        s.backend = Backend::Sqlite;
        const QDir base = baseDir.isEmpty() ? QDir::current() : QDir(baseDir);
        s.sqliteFile = database.isEmpty() ? QString() : base.absoluteFilePath(database);
        return s;
    }
    s.backend = Backend::Postgres;
    const QString source = kw.value(QStringLiteral("data source"));
    const qsizetype comma = source.indexOf(QLatin1Char(','));
    s.host = comma < 0 ? source : source.left(comma).trimmed();
    if (comma >= 0) {
        bool ok = false;
        const int port = source.mid(comma + 1).trimmed().toInt(&ok);
        if (ok)
            s.port = port;
    }
    s.user = kw.value(QStringLiteral("user id"));
    s.password = kw.value(QStringLiteral("password"));
    return s;
}

bool readIniFile(const QString& path, QString* lineOne, QString* lineTwo, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QTextStream in(&file);
    const QString first = in.readLine();
    const QString second = in.atEnd() ? QString() : in.readLine();
    if (lineOne)
        *lineOne = trimLine(first);
    if (lineTwo)
        *lineTwo = trimLine(second);
    return true;
}

} // namespace DbConfig
