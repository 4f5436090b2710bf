#pragma once

#include <memory>

#include <QString>
#include <QVariant>

#include "data/TMainDM.h"
#include "TestDb.h"

/**
 * @brief The demo company on one backend, a main data module logged in on it, and a second
 * connection to check what reached the database.
 */
class DemoEnv
{
public:
    static const QString AdminPriv;

    explicit DemoEnv(Backend backend, const QString& area = QStringLiteral("C0"),
                     const QString& priv = AdminPriv);
    virtual ~DemoEnv();

    /// Another workstation: a module on its own connection, logged in as the test user.
    std::unique_ptr<TMainDM> login(const QString& connection, const QString& area, const QString& priv);

    /// The first value of a query on the check connection; a failing statement ends the test run.
    QVariant scalar(const QString& sql, const QVariantList& values = {});
    /// A statement on the check connection, unprepared when it has no values (PostgreSQL cannot
    /// prepare statements such as ALTER TABLE).
    void exec(const QString& sql, const QVariantList& values = {});
    int logCount();
    int stock(const QString& book, const QString& area = QStringLiteral("C0"));

    std::unique_ptr<TestDb> db;
    std::unique_ptr<Connection> check;
    std::unique_ptr<TMainDM> dm;
};
