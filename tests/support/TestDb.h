#pragma once

#include <memory>

#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>

#include "data/Connection.h"

/// Fails the test with the statement's error text when it does not succeed.
Q_DECLARE_METATYPE(Backend)

#define VERIFY_SQL(q, cond) QVERIFY2((cond), qPrintable((q).lastError().text()))

/**
 * @brief A fresh database for one test: a SQLite file in a temporary folder, or a new database on
 * the test PostgreSQL server named by HEYU_TEST_PG ("host=..;port=..;user=..;password=..;dbname=..").
 */
class TestDb
{
public:
    ~TestDb();

    /// An empty SQLite file (the schema is not created).
    static std::unique_ptr<TestDb> sqlite();
    /// A new empty PostgreSQL database, or null when no test server is configured.
    static std::unique_ptr<TestDb> postgres();
    static bool postgresAvailable();
    /// Makes a _data table of one column "backend" (type Backend) with the "sqlite" row, and the
    /// "postgres" row when the test server is up.
    static void addBackendRows();
    static std::unique_ptr<TestDb> create(Backend backend);

    const DbSettings& settings() const { return m_settings; }
    /// Settings as DBSet.INI lines would give them: line one (after the fixed prefix) and two.
    QString iniLineOne() const;
    QString iniLineTwo() const;
    /// Creates the schema with the demo data in it.
    bool loadDemo(QString* error = nullptr);
    /// Creates the bare schema with the given branches.
    bool createSchema(const QStringList& branches = {QStringLiteral("C0")}, QString* error = nullptr);
    QString dir() const { return m_dir.path(); }
    /// A connection of its own to this database, named `name` + a running number.
    std::unique_ptr<Connection> connect(const QString& name) const;
    /// The heyu-db options that name this database (through a DBSet.INI for the server).
    QStringList heyuDbTarget() const;

    /// Prepares `sql`, binds `values` in order and runs it; a failure is warned with the
    /// statement, and the query shows it (not active).
    static QSqlQuery exec(Connection& con, const QString& sql, const QVariantList& values = {});
    /// The first value of the first row; invalid, with a warning, when the statement fails or
    /// returns no row.
    static QVariant scalar(Connection& con, const QString& sql, const QVariantList& values = {});

private:
    TestDb() = default;

    QTemporaryDir m_dir;
    DbSettings m_settings;
    QString m_dropName; ///< PostgreSQL database to drop at the end
};
