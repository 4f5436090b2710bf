#pragma once

#include <QStringList>
#include <QTextStream>

/**
 * @brief The administration commands of heyu-db.
 *
 *   heyu-db init  (--sqlite FILE | --config DBSet.INI)
 *   heyu-db demo  (--sqlite FILE | --config DBSet.INI)
 *   heyu-db upgrade (--sqlite FILE | --config DBSet.INI)
 *   heyu-db add-branch CODE NAME (--sqlite FILE | --config DBSet.INI)
 *
 * Every command works in one transaction: a failure leaves the database as it was (and removes a
 * SQLite file the command created). Errors are one line on err and a non-zero exit code.
 */
namespace DbAdmin {

int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace DbAdmin
