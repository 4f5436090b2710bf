#pragma once

#include <functional>

#include <QList>
#include <QString>
#include <QTextStream>

#include "data/DbConfig.h"
#include "data/TDialogs.h"

class TMainDM;

/**
 * @brief What every benchmark shares: the database named on the command line, repeated timing
 * with its median, the process peak memory, and one printed table row per measurement.
 *
 * Command line: `--sqlite FILE` (an existing database file) or `--config DBSet.INI`; other
 * arguments are left to the benchmark in `rest`.
 */
namespace Bench {

struct Target
{
    DbSettings settings;
    QString backendName; ///< "SQLite" or "PostgreSQL"
    QStringList rest;
};

/// Counts what the rules would show the user. The book's information box is the line entry's
/// normal answer; anything else is a refusal, and a run with one would give misleading figures.
class Refusals : public TDialogs::Sink
{
public:
    TDialogs::Answer show(TDialogs::Kind kind, const QString& text) override
    {
        if (kind != TDialogs::Kind::Information) {
            ++problems;
            last = text;
        }
        return TDialogs::Answer::No;
    }
    int problems = 0;
    QString last;
};

/// Reads the database arguments; false with a usage text in `error`. Names the local zone as the
/// program's main does.
bool parseArguments(const QStringList& arguments, Target* target, QString* error);
/// The same for the program's command line; the usage or the error goes to `out`.
bool readCommandLine(Target* target, QTextStream& out);

/// Connects the data module to the target and logs it in as a head-office manager of `area`.
void login(TMainDM& dm, const Target& target, const QString& area);

/// Milliseconds of each of `runs` calls of `call` after `warmUp` unmeasured ones; a call that
/// returns false ends the series early with what was measured so far.
QList<double> timeRuns(int runs, const std::function<bool()>& call, int warmUp = 3);

double median(QList<double> ms);

/// VmHWM of /proc/self/status in MiB: the largest resident size this process has had.
double peakResidentMiB();
/// VmRSS: the resident size now, in MiB.
double residentMiB();

/// Prints the table header once.
void printHeader(QTextStream& out);
/// One row: backend, measurement, our median, the floor's median (0 for none), their ratio, and
/// free notes such as row counts or memory.
void printRow(QTextStream& out, const QString& backend, const QString& measurement, double ms,
              double floorMs, const QString& notes = {});

} // namespace Bench
