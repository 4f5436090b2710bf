#include "DemoEnv.h"

#include <QSqlError>
#include <QSqlQuery>

const QString DemoEnv::AdminPriv = QStringLiteral("1FFFFF7777771727");

DemoEnv::DemoEnv(Backend backend, const QString& area, const QString& priv)
{
    db = TestDb::create(backend);
    QString error;
    if (!db || !db->loadDemo(&error))
        qFatal("demo: %s", qPrintable(error));
    check = std::make_unique<Connection>(QStringLiteral("demo-check"));
    check->configure(db->settings());
    dm = login(QStringLiteral("MainADOCon"), area, priv);
}

DemoEnv::~DemoEnv()
{
    dm.reset();
    check.reset();
}

std::unique_ptr<TMainDM> DemoEnv::login(const QString& connection, const QString& area,
                                        const QString& priv)
{
    auto m = std::make_unique<TMainDM>(nullptr, connection);
    m->MainADOCon.configure(db->settings());
    UserAccount a;
    a.code = QStringLiteral("TESTER");
    a.name = QStringLiteral("測試員");
    a.area = area;
    a.priv = priv;
    m->SetLogin(a);
    return m;
}

QVariant DemoEnv::scalar(const QString& sql, const QVariantList& values)
{
    QSqlQuery q(check->database());
    q.prepare(sql);
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    if (!q.exec())
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    return q.next() ? q.value(0) : QVariant();
}

void DemoEnv::exec(const QString& sql, const QVariantList& values)
{
    QSqlQuery q(check->database());
    bool ok = true;
    if (values.isEmpty()) {
        ok = q.exec(sql);
    } else {
        q.prepare(sql);
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values.at(i));
        ok = q.exec();
    }
    if (!ok)
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
}

int DemoEnv::logCount() { return scalar(QStringLiteral("SELECT COUNT(*) FROM LogRec")).toInt(); }

int DemoEnv::stock(const QString& book, const QString& area)
{
    return scalar(QStringLiteral("SELECT Stock%1 FROM Book WHERE BookNo=?").arg(area), {book}).toInt();
}
