#include "data/SqlDialect.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QSqlDatabase>
#include <QSqlDriver>

#include <sqlite3.h>

namespace SqlDialect {

namespace {

const QString SqliteFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

/// The whole number written in `length` digits at `from`; -1 when one is no digit.
int digitsAt(const QString& text, int from, int length)
{
    int n = 0;
    for (int i = from; i < from + length; ++i) {
        const int digit = text.at(i).unicode() - '0';
        if (digit < 0 || digit > 9)
            return -1;
        n = n * 10 + digit;
    }
    return n;
}

/// The stored forms "yyyy-MM-dd HH:mm:ss" and "yyyy-MM-dd", read by hand: lists and histories
/// read dates by the thousand, and the general parser costs several local-time conversions a
/// value. False for any other text.
bool readStored(const QString& text, QDate* date, QTime* time)
{
    const qsizetype length = text.size();
    if ((length != 10 && length != 19) || text.at(4) != u'-' || text.at(7) != u'-')
        return false;
    if (length == 19 && (text.at(10) != u' ' || text.at(13) != u':' || text.at(16) != u':'))
        return false;
    const int fields[] = {digitsAt(text, 0, 4),
                          digitsAt(text, 5, 2),
                          digitsAt(text, 8, 2),
                          length == 19 ? digitsAt(text, 11, 2) : 0,
                          length == 19 ? digitsAt(text, 14, 2) : 0,
                          length == 19 ? digitsAt(text, 17, 2) : 0};
    if (std::any_of(std::begin(fields), std::end(fields), [](int n) { return n < 0; }))
        return false;
    *date = QDate(fields[0], fields[1], fields[2]);
    *time = QTime(fields[3], fields[4], fields[5]);
    return date->isValid() && time->isValid();
}

} // namespace

QVariant dateTimeValue(Backend backend, const QDateTime& value)
{
    if (!value.isValid())
        return QVariant(backend == Backend::Sqlite ? QMetaType(QMetaType::QString)
                                                   : QMetaType(QMetaType::QDateTime));
    if (backend == Backend::Sqlite)
        return value.toString(SqliteFormat);
    return value;
}

QVariant dateValue(Backend backend, const QDate& value)
{
    return dateTimeValue(backend, value.isValid() ? value.startOfDay() : QDateTime());
}

QDateTime toDateTime(const QVariant& value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime();
    if (value.typeId() == QMetaType::QDate)
        return value.toDate().startOfDay();
    const QString text = value.toString();
    QDate date;
    QTime time;
    if (readStored(text, &date, &time))
        return QDateTime(date, time);
    QDateTime dt = QDateTime::fromString(text, SqliteFormat);
    return dt.isValid() ? dt : QDateTime::fromString(text, Qt::ISODate);
}

QDate toDate(const QVariant& value)
{
    if (value.typeId() == QMetaType::QDate)
        return value.toDate();
    if (value.typeId() == QMetaType::QString) {
        QDate date;
        QTime time;
        if (readStored(value.toString(), &date, &time))
            return date;
    }
    return toDateTime(value).date();
}

void nameLocalZoneOnce()
{
    // While TZ is unset, the C library looks at /etc/localtime again on every local-time
    // conversion; naming that same file keeps the zone it read.
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
}

QString now(Backend backend)
{
    return backend == Backend::Sqlite ? QStringLiteral("datetime('now','localtime')")
                                      : QStringLiteral("LOCALTIMESTAMP(0)");
}

QString forUpdate(Backend backend)
{
    return backend == Backend::Postgres ? QStringLiteral(" FOR UPDATE") : QString();
}

QString greatest(Backend backend, const QString& a, const QString& b)
{
    return (backend == Backend::Sqlite ? QStringLiteral("MAX(%1, %2)")
                                       : QStringLiteral("GREATEST(%1, %2)"))
        .arg(a, b);
}

double decimalRound(double value, int digits)
{
    if (!std::isfinite(value))
        return value;
    digits = qBound(-15, digits, 15);
    // d.dddddddddddddde+XX: the 15 significant digits the double stands for.
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    std::string mantissa;
    mantissa += buf[0];
    mantissa.append(buf + 2, 14);
    const int exponent = std::atoi(std::strchr(buf, 'e') + 1);
    // Digit i weighs 10^(exponent - i); keep those weighing at least 10^-digits.
    const int keep = exponent + digits + 1;
    if (keep >= 15)
        return value;
    std::string kept = keep > 0 ? mantissa.substr(0, std::size_t(keep)) : std::string("0");
    const char next = keep >= 0 ? mantissa[std::size_t(keep)] : '0';
    if (next >= '5') {
        int i = int(kept.size()) - 1;
        for (; i >= 0 && kept[std::size_t(i)] == '9'; --i)
            kept[std::size_t(i)] = '0';
        if (i < 0)
            kept.insert(kept.begin(), '1');
        else
            ++kept[std::size_t(i)];
    }
    const double result = std::strtod((kept + "e" + std::to_string(-digits)).c_str(), nullptr);
    return value < 0 ? -result : result;
}

namespace {

void sqliteRound(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    int digits = 0;
    if (argc == 2) {
        if (sqlite3_value_type(argv[1]) == SQLITE_NULL) {
            sqlite3_result_null(context);
            return;
        }
        digits = sqlite3_value_int(argv[1]);
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    sqlite3_result_double(context, decimalRound(sqlite3_value_double(argv[0]), digits));
}

void sqliteLower(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const QByteArray lowered =
        QString::fromUtf8(text, sqlite3_value_bytes(argv[0])).toLower().toUtf8();
    sqlite3_result_text(context, lowered.constData(), int(lowered.size()), SQLITE_TRANSIENT);
}

} // namespace

QString searchKey(Backend backend, const QString& column)
{
    return backend == Backend::Postgres ? QStringLiteral("lower(%1) COLLATE \"C\"").arg(column)
                                        : QStringLiteral("lower(%1)").arg(column);
}

bool installSqliteFunctions(QSqlDatabase& db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3* sqlite = *static_cast<sqlite3* const*>(handle.data());
    if (!sqlite)
        return false;
    // Deterministic and innocuous, so that indexes on lower() may use it.
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    return sqlite3_create_function_v2(sqlite, "round", 1, flags, nullptr, sqliteRound, nullptr,
                                      nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_function_v2(sqlite, "round", 2, flags, nullptr, sqliteRound, nullptr,
                                      nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_function_v2(sqlite, "lower", 1, flags, nullptr, sqliteLower, nullptr,
                                      nullptr, nullptr) == SQLITE_OK;
}

} // namespace SqlDialect
