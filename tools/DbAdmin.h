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
 *   heyu-db generate (--sqlite FILE | --config DBSet.INI) [--seed N] [--scale F]
 *
 * Every command works in one transaction: a failure leaves the database as it was (and removes a
 * SQLite file the command created). Errors are one line on err and a non-zero exit code. The
 * exception is generate, which commits its bulk load in large batches (see Generator).
 */
namespace DbAdmin {

int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace DbAdmin
