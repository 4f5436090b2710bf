#include "tools/DbAdmin.h"

#include <QFile>
#include <QFileInfo>

#include "data/Connection.h"
#include "data/DbConfig.h"
#include "data/Schema.h"
#include "tools/DemoData.h"

namespace DbAdmin {
namespace {

const char* const Usage =
    "usage: heyu-db init (--sqlite FILE | --config DBSet.INI)\n"
    "       heyu-db demo (--sqlite FILE | --config DBSet.INI)\n";

struct Target
{
    DbSettings settings;
    bool createdFile = false;
};

bool parseTarget(const QStringList& args, Target* target, QString* error)
{
    if (args.size() != 2) {
        *error = QStringLiteral("expected --sqlite FILE or --config DBSet.INI");
        return false;
    }
    if (args[0] == QLatin1String("--sqlite")) {
        target->settings = DbConfig::resolve(QStringLiteral("Provider=SQLite"), args[1]);
        return true;
    }
    if (args[0] == QLatin1String("--config")) {
        QString one;
        QString two;
        QString readError;
        if (!DbConfig::readIniFile(args[1], &one, &two, &readError)) {
            *error = QStringLiteral("%1: %2").arg(args[1], readError);
            return false;
        }
        target->settings = DbConfig::resolve(DbConfig::FixedPrefix + one, two,
                                             QFileInfo(args[1]).absolutePath());
        return true;
    }
    *error = QStringLiteral("unknown option %1").arg(args[0]);
    return false;
}

void removeSqliteFiles(const QString& file)
{
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(file + suffix);
}

/// Creates the schema, and the demo data when asked, in one transaction.
bool build(Target& target, bool withDemo, QString* error)
{
    const DbSettings& s = target.settings;
    if (s.backend == Backend::Sqlite) {
        if (s.sqliteFile.isEmpty()) {
            *error = QStringLiteral("no database file given");
            return false;
        }
        QFile file(s.sqliteFile);
        if (!file.exists()) {
            if (!file.open(QIODevice::WriteOnly)) {
                *error = QStringLiteral("%1: %2").arg(s.sqliteFile, file.errorString());
                return false;
            }
            file.close();
            target.createdFile = true;
        }
    }
    Connection con(QStringLiteral("heyu-db"));
    con.configure(s);
    if (!con.open()) {
        *error = con.lastErrorText();
        return false;
    }
    TransactionGuard tx(con);
    if (!tx.begin()) {
        *error = con.lastErrorText();
        return false;
    }
    const QStringList branches = withDemo ? DemoData::branchCodes() : QStringList{QStringLiteral("C0")};
    if (!Schema::create(con, branches, error))
        return false;
    if (withDemo && !DemoData::load(con, error))
        return false;
    if (!tx.commit()) {
        *error = con.lastErrorText();
        return false;
    }
    return true;
}

} // namespace

int run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.isEmpty()) {
        err << Usage;
        return 2;
    }
    const QString command = arguments.first();
    const QStringList rest = arguments.mid(1);
    if (command != QLatin1String("init") && command != QLatin1String("demo")) {
        err << "heyu-db: unknown command " << command << "\n" << Usage;
        return 2;
    }
    Target target;
    QString error;
    if (!parseTarget(rest, &target, &error)) {
        err << "heyu-db: " << error << "\n";
        return 2;
    }
    if (!build(target, command == QLatin1String("demo"), &error)) {
        if (target.createdFile)
            removeSqliteFiles(target.settings.sqliteFile);
        err << "heyu-db: " << error.section(QLatin1Char('\n'), 0, 0) << "\n";
        return 1;
    }
    out << (command == QLatin1String("demo") ? "demo database ready\n" : "schema created\n");
    return 0;
}

} // namespace DbAdmin
