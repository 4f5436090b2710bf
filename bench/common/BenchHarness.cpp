#include "bench/common/BenchHarness.h"

#include <algorithm>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include "data/SqlDialect.h"
#include "data/TMainDM.h"

namespace Bench {

bool parseArguments(const QStringList& arguments, Target* target, QString* error)
{
    // Measured as the program runs.
    SqlDialect::nameLocalZoneOnce();
    const QString usage = QStringLiteral("usage: (--sqlite FILE | --config DBSet.INI) [options]");
    QString sqlite;
    QString config;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QLatin1String("--sqlite") && i + 1 < arguments.size())
            sqlite = arguments.at(++i);
        else if (a == QLatin1String("--config") && i + 1 < arguments.size())
            config = arguments.at(++i);
        else
            target->rest << a;
    }
    if (sqlite.isEmpty() == config.isEmpty()) {
        *error = usage;
        return false;
    }
    if (!sqlite.isEmpty()) {
        // Opening a missing file would create an empty database and measure nothing.
        if (!QFileInfo::exists(sqlite)) {
            *error = QStringLiteral("no such database file: %1").arg(sqlite);
            return false;
        }
        target->settings.backend = Backend::Sqlite;
        target->settings.sqliteFile = QFileInfo(sqlite).absoluteFilePath();
    } else {
        QString one, two;
        if (!DbConfig::readIniFile(config, &one, &two, error))
            return false;
        target->settings =
            DbConfig::resolve(DbConfig::FixedPrefix + one, two, QFileInfo(config).absolutePath());
    }
    target->backendName = target->settings.backend == Backend::Sqlite
                              ? QStringLiteral("SQLite")
                              : QStringLiteral("PostgreSQL");
    return true;
}

bool readCommandLine(Target* target, QTextStream& out)
{
    QString error;
    if (parseArguments(QCoreApplication::arguments().mid(1), target, &error))
        return true;
    out << error << Qt::endl;
    return false;
}

QList<double> timeRuns(int runs, const std::function<bool()>& call, int warmUp)
{
    for (int i = 0; i < warmUp; ++i) {
        if (!call())
            return {};
    }
    QList<double> ms;
    ms.reserve(runs);
    QElapsedTimer t;
    for (int i = 0; i < runs; ++i) {
        t.start();
        const bool ok = call();
        const double elapsed = t.nsecsElapsed() / 1e6;
        if (!ok)
            break;
        ms << elapsed;
    }
    return ms;
}

double median(QList<double> ms)
{
    if (ms.isEmpty())
        return 0;
    std::sort(ms.begin(), ms.end());
    const qsizetype n = ms.size();
    return n % 2 ? ms.at(n / 2) : (ms.at(n / 2 - 1) + ms.at(n / 2)) / 2;
}

namespace {

double statusMiB(const char* key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray k(key);
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(k)) {
            // "VmHWM:     12345 kB"
            return line.mid(k.size()).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return 0;
}

QString ms2(double ms)
{
    return ms >= 100 ? QString::number(ms, 'f', 0) : QString::number(ms, 'f', 3);
}

} // namespace

double peakResidentMiB()
{
    return statusMiB("VmHWM:");
}

double residentMiB()
{
    return statusMiB("VmRSS:");
}

void printHeader(QTextStream& out)
{
    out << "| backend | measurement | ours ms (median) | floor ms (median) | ratio | notes |\n"
        << "|---|---|---:|---:|---:|---|" << Qt::endl;
}

void printRow(QTextStream& out, const QString& backend, const QString& measurement, double ms,
              double floorMs, const QString& notes)
{
    const QString floor = floorMs > 0 ? ms2(floorMs) : QStringLiteral("-");
    const QString ratio = floorMs > 0 ? QString::number(ms / floorMs, 'f', 2) : QStringLiteral("-");
    out << "| " << backend << " | " << measurement << " | " << ms2(ms) << " | " << floor << " | "
        << ratio << " | " << notes << " |" << Qt::endl;
}

} // namespace Bench

namespace Bench {

void login(TMainDM& dm, const Target& target, const QString& area)
{
    dm.MainADOCon.configure(target.settings);
    UserAccount account;
    account.code = QStringLiteral("BENCH");
    account.area = area;
    account.priv = QStringLiteral("1FFFFF7777771727");
    dm.SetLogin(account);
}

} // namespace Bench
