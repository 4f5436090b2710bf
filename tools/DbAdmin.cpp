#include "tools/DbAdmin.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include "data/Connection.h"
#include "data/DbConfig.h"
#include "data/Schema.h"
#include "tools/DemoData.h"
#include "tools/Generator.h"

namespace DbAdmin {
namespace {

const char* const Usage =
    "usage: heyu-db init (--sqlite FILE | --config DBSet.INI)\n"
    "       heyu-db demo (--sqlite FILE | --config DBSet.INI)\n"
    "       heyu-db upgrade (--sqlite FILE | --config DBSet.INI)\n"
    "       heyu-db add-branch CODE NAME (--sqlite FILE | --config DBSet.INI)\n"
    "       heyu-db generate (--sqlite FILE | --config DBSet.INI) [--seed N] [--scale F]\n";

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
        target->settings =
            DbConfig::resolve(DbConfig::FixedPrefix + one, two, QFileInfo(args[1]).absolutePath());
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
    const QStringList branches =
        withDemo ? DemoData::branchCodes() : QStringList{QStringLiteral("C0")};
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

/// Opens an existing database for a command that changes it.
bool openExisting(Connection& con, const Target& target, QString* error)
{
    con.configure(target.settings);
    if (!con.open()) {
        *error = con.lastErrorText();
        return false;
    }
    if (!Schema::exists(con)) {
        *error = QStringLiteral("the database holds no schema: run heyu-db init first");
        return false;
    }
    return true;
}

int upgrade(const Target& target, QTextStream& out, QString* error)
{
    Connection con(QStringLiteral("heyu-db"));
    if (!openExisting(con, target, error))
        return 1;
    // SQLite cannot switch references off inside a transaction, and a table rebuilt under
    // references would take its dependants' rows with it; the upgrade checks them itself.
    if (con.backend() == Backend::Sqlite) {
        QSqlQuery q(con.database());
        if (!q.exec(QStringLiteral("PRAGMA foreign_keys=OFF"))) {
            *error = q.lastError().text();
            return 1;
        }
    }
    TransactionGuard tx(con);
    if (!tx.begin()) {
        *error = con.lastErrorText();
        return 1;
    }
    int from = 0;
    if (!Schema::upgrade(con, &from, error))
        return 1;
    if (!tx.commit()) {
        *error = con.lastErrorText();
        return 1;
    }
    if (from == Schema::version())
        out << "schema is current (version " << from << ")\n";
    else
        out << "schema upgraded from version " << from << " to " << Schema::version() << "\n";
    return 0;
}

int addBranch(const QString& code, const QString& name, const Target& target, QTextStream& out,
              QString* error)
{
    if (!Schema::isValidBranchCode(code)) {
        *error = QStringLiteral("invalid branch code \"%1\": 1 to 10 letters or digits").arg(code);
        return 2;
    }
    Connection con(QStringLiteral("heyu-db"));
    if (!openExisting(con, target, error))
        return 1;
    TransactionGuard tx(con);
    if (!tx.begin()) {
        *error = con.lastErrorText();
        return 1;
    }
    bool changed = false;
    if (!Schema::addBranch(con, code, name, &changed, error))
        return 1;
    if (!tx.commit()) {
        *error = con.lastErrorText();
        return 1;
    }
    out << "branch " << code << (changed ? " added\n" : " already present\n");
    return 0;
}

/// Takes --seed and --scale out of the arguments; what remains names the database.
bool parseGenerateOptions(QStringList& args, Generator::Options* options, QString* error)
{
    for (qsizetype i = 0; i < args.size();) {
        const bool seed = args[i] == QLatin1String("--seed");
        if (!seed && args[i] != QLatin1String("--scale")) {
            ++i;
            continue;
        }
        bool ok = i + 1 < args.size();
        if (ok && seed)
            options->seed = args[i + 1].toULongLong(&ok);
        else if (ok)
            options->scale = args[i + 1].toDouble(&ok);
        if (!ok || options->scale <= 0 || options->scale > 10) {
            *error = QStringLiteral("%1 needs a %2")
                         .arg(args[i], seed ? QStringLiteral("whole number")
                                            : QStringLiteral("scale from 0 to 10"));
            return false;
        }
        args.remove(i, 2);
    }
    return true;
}

int generate(Target& target, const Generator::Options& options, QTextStream& out, QString* error)
{
    const DbSettings& s = target.settings;
    if (s.backend == Backend::Sqlite) {
        QFile file(s.sqliteFile);
        if (!file.exists()) {
            if (!file.open(QIODevice::WriteOnly)) {
                *error = QStringLiteral("%1: %2").arg(s.sqliteFile, file.errorString());
                return 1;
            }
            file.close();
            target.createdFile = true;
        }
    }
    bool ok = false;
    {
        Connection con(QStringLiteral("heyu-db"));
        con.configure(s);
        Generator generator(con, options, out);
        ok = generator.run(error);
    }
    if (!ok && target.createdFile)
        removeSqliteFiles(s.sqliteFile);
    return ok ? 0 : 1;
}

} // namespace

int run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.isEmpty()) {
        err << Usage;
        return 2;
    }
    const QString command = arguments.first();
    QStringList rest = arguments.mid(1);
    Target target;
    QString error;
    if (command == QLatin1String("add-branch") || command == QLatin1String("upgrade")) {
        const bool branch = command == QLatin1String("add-branch");
        if (branch && rest.size() < 2) {
            err << "heyu-db: add-branch needs CODE and NAME\n" << Usage;
            return 2;
        }
        const QStringList names = branch ? rest.mid(0, 2) : QStringList();
        if (!parseTarget(rest.mid(names.size()), &target, &error)) {
            err << "heyu-db: " << error << "\n";
            return 2;
        }
        const int status = branch ? addBranch(names[0], names[1], target, out, &error)
                                  : upgrade(target, out, &error);
        if (status != 0)
            err << "heyu-db: " << error.section(QLatin1Char('\n'), 0, 0) << "\n";
        return status;
    }
    if (command == QLatin1String("generate")) {
        Generator::Options options;
        if (!parseGenerateOptions(rest, &options, &error) || !parseTarget(rest, &target, &error)) {
            err << "heyu-db: " << error << "\n";
            return 2;
        }
        const int status = generate(target, options, out, &error);
        if (status != 0)
            err << "heyu-db: " << error.section(QLatin1Char('\n'), 0, 0) << "\n";
        return status;
    }
    if (command != QLatin1String("init") && command != QLatin1String("demo")) {
        err << "heyu-db: unknown command " << command << "\n" << Usage;
        return 2;
    }
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
