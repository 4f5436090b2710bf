#include "data/Schema.h"

#include <QRegularExpression>
#include <QSqlQuery>

#include "data/Connection.h"

const ColumnDef* TableDef::column(const QString& columnName) const
{
    for (const ColumnDef& c : columns) {
        if (c.name.compare(columnName, Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

namespace Schema {
namespace {

ColumnDef text(const QString& name, int size, bool notNull = false)
{
    return {name, ColType::Text, size, 0, notNull, {}};
}
ColumnDef longText(const QString& name) { return {name, ColType::LongText, 0, 0, false, {}}; }
ColumnDef decimal(const QString& name, int precision, int scale, const QString& def = {})
{
    return {name, ColType::Decimal, precision, scale, false, def};
}
ColumnDef integer(const QString& name, const QString& def = {})
{
    return {name, ColType::Integer, 0, 0, false, def};
}
ColumnDef smallInt(const QString& name) { return {name, ColType::SmallInt, 0, 0, false, {}}; }
ColumnDef identity(const QString& name) { return {name, ColType::Identity, 0, 0, true, {}}; }
ColumnDef dateTime(const QString& name) { return {name, ColType::DateTime, 0, 0, false, {}}; }
ColumnDef boolean(const QString& name, bool def = false)
{
    return {name, ColType::Boolean, 0, 0, true, def ? QStringLiteral("1") : QStringLiteral("0")};
}

QList<ColumnDef> discounts()
{
    QList<ColumnDef> cols;
    for (const char c : QByteArrayLiteral("ABCDEF"))
        cols << decimal(QStringLiteral("Disc") + QLatin1Char(c), 6, 4, QStringLiteral("1"));
    return cols;
}

QList<TableDef> buildTables()
{
    QList<TableDef> t;

    t << TableDef{QStringLiteral("SchemaInfo"), {integer(QStringLiteral("Version"))}, {}, {}, {}};

    TableDef customer{QStringLiteral("Customer"), {}, {QStringLiteral("CustNo")}, {}, {}};
    customer.columns << text(QStringLiteral("CustNo"), 10, true) << text(QStringLiteral("CustName"), 70)
                     << text(QStringLiteral("Contact"), 20) << text(QStringLiteral("VIPNo"), 13)
                     << discounts() << text(QStringLiteral("CTel"), 30)
                     << text(QStringLiteral("CFax"), 20) << text(QStringLiteral("Uniform_id"), 10)
                     << dateTime(QStringLiteral("MDate")) << text(QStringLiteral("CAddress"), 60)
                     << text(QStringLiteral("CEmail"), 60) << dateTime(QStringLiteral("WDate"))
                     << boolean(QStringLiteral("CLock")) << boolean(QStringLiteral("AllClsNo"))
                     << text(QStringLiteral("SArea"), 10) << text(QStringLiteral("Remark"), 60);
    customer.indexes << IndexDef{QStringLiteral("UX_Customer_VIPNo"), {QStringLiteral("VIPNo")}, true,
                                 QStringLiteral("VIPNo IS NOT NULL AND VIPNo <> ''")}
                     << IndexDef{QStringLiteral("IX_Customer_CustName"), {QStringLiteral("CustName")}, false, {}};
    t << customer;

    TableDef custCls{QStringLiteral("CustClsNo"),
                     {text(QStringLiteral("CustNo"), 10, true), text(QStringLiteral("ClsNo"), 6, true)},
                     {QStringLiteral("CustNo"), QStringLiteral("ClsNo")}, {}, {}};
    t << custCls;

    TableDef vendor{QStringLiteral("Vendor"), {}, {QStringLiteral("VNo")}, {}, {}};
    vendor.columns << text(QStringLiteral("VNo"), 10, true) << text(QStringLiteral("VName"), 40)
                   << discounts() << text(QStringLiteral("Contact"), 30)
                   << text(QStringLiteral("VAddress"), 80) << text(QStringLiteral("VTel"), 20)
                   << text(QStringLiteral("VFax"), 20) << boolean(QStringLiteral("MKind"))
                   << dateTime(QStringLiteral("MDate")) << text(QStringLiteral("VEmail"), 60)
                   << text(QStringLiteral("VNetAdd"), 60) << dateTime(QStringLiteral("WDate"))
                   << integer(QStringLiteral("V_CR")) << boolean(QStringLiteral("Alliance"))
                   << text(QStringLiteral("Remark"), 60);
    vendor.indexes << IndexDef{QStringLiteral("IX_Vendor_VName"), {QStringLiteral("VName")}, false, {}};
    t << vendor;

    TableDef book{QStringLiteral("Book"), {}, {QStringLiteral("BookNo")}, {}, {}};
    book.columns << text(QStringLiteral("BookNo"), 11, true) << text(QStringLiteral("BookName"), 100)
                 << text(QStringLiteral("Author"), 30) << text(QStringLiteral("ISBN"), 13)
                 << text(QStringLiteral("BarCode"), 13) << text(QStringLiteral("BPublisher"), 36)
                 << text(QStringLiteral("VNo"), 10) << text(QStringLiteral("ClsNo"), 6)
                 << text(QStringLiteral("BShort"), 20)
                 << decimal(QStringLiteral("NTPrice"), 8, 2, QStringLiteral("0"))
                 << decimal(QStringLiteral("FPrice"), 8, 2, QStringLiteral("0"))
                 << ColumnDef{QStringLiteral("ORI_CR"), ColType::Text, 3, 0, false, QStringLiteral("'NT'")}
                 << ColumnDef{QStringLiteral("KDiscount"), ColType::Text, 1, 0, false, QStringLiteral("'A'")}
                 << boolean(QStringLiteral("EKind")) << smallInt(QStringLiteral("PubYear"))
                 << text(QStringLiteral("Edition"), 2) << text(QStringLiteral("Edition1"), 10)
                 << decimal(QStringLiteral("BWeight"), 10, 3) << dateTime(QStringLiteral("In_Date"))
                 << dateTime(QStringLiteral("WDate")) << longText(QStringLiteral("Summary"))
                 << text(QStringLiteral("Remark"), 100);
    book.indexes << IndexDef{QStringLiteral("IX_Book_BarCode"), {QStringLiteral("BarCode")}, false, {}}
                 << IndexDef{QStringLiteral("IX_Book_ISBN"), {QStringLiteral("ISBN")}, false, {}}
                 << IndexDef{QStringLiteral("IX_Book_VNo"), {QStringLiteral("VNo")}, false, {}}
                 << IndexDef{QStringLiteral("IX_Book_ClsNo"), {QStringLiteral("ClsNo")}, false, {}};
    t << book;

    TableDef forwarder{QStringLiteral("Forwarder"), {}, {QStringLiteral("FNo")}, {}, {}};
    forwarder.columns << text(QStringLiteral("FNo"), 6, true) << text(QStringLiteral("FName"), 60)
                      << text(QStringLiteral("Contact"), 30) << text(QStringLiteral("FTel"), 30)
                      << text(QStringLiteral("FFax"), 30) << text(QStringLiteral("FEMail"), 60)
                      << longText(QStringLiteral("FAddress")) << text(QStringLiteral("FNetAdd"), 80)
                      << text(QStringLiteral("Remark"), 60) << dateTime(QStringLiteral("WDate"));
    t << forwarder;

    t << TableDef{QStringLiteral("Clases"),
                  {text(QStringLiteral("ClsNo"), 6, true), text(QStringLiteral("ClsENm"), 66),
                   text(QStringLiteral("ClsCNm"), 66)},
                  {QStringLiteral("ClsNo")}, {}, {}};

    t << TableDef{QStringLiteral("ExRate"),
                  {text(QStringLiteral("ORI_CR"), 3, true),
                   decimal(QStringLiteral("rate"), 10, 3, QStringLiteral("1"))},
                  {QStringLiteral("ORI_CR")}, {}, {}};

    // UsHash holds the salted password hash; UsPass keeps its size for accounts not yet upgraded.
    TableDef user{QStringLiteral("UserPass"), {}, {QStringLiteral("UsCode")}, {}, {}};
    user.columns << text(QStringLiteral("UsCode"), 8, true) << text(QStringLiteral("UsName"), 12)
                 << text(QStringLiteral("UsPass"), 10) << text(QStringLiteral("SArea"), 10)
                 << text(QStringLiteral("UsPriv"), 16) << text(QStringLiteral("UsHash"), 200);
    user.indexes << IndexDef{QStringLiteral("UX_UserPass_UsCode_lower"), {QStringLiteral("lower(UsCode)")}, true, {}};
    t << user;

    TableDef log{QStringLiteral("LogRec"), {}, {QStringLiteral("LogNo")}, {}, {}};
    log.columns << identity(QStringLiteral("LogNo")) << dateTime(QStringLiteral("OPDTime"))
                << text(QStringLiteral("OPUserC"), 8) << text(QStringLiteral("OPUserN"), 12)
                << text(QStringLiteral("OPItem"), 40) << text(QStringLiteral("OPKind"), 20)
                << longText(QStringLiteral("OPRemark")) << text(QStringLiteral("SArea"), 10);
    log.indexes << IndexDef{QStringLiteral("IX_LogRec_OPDTime"), {QStringLiteral("OPDTime")}, false, {}};
    t << log;

    TableDef brStock{QStringLiteral("BRStock"), {}, {QStringLiteral("PNo")}, {}, {}};
    brStock.columns << identity(QStringLiteral("PNo")) << text(QStringLiteral("BookNo"), 11, true)
                    << text(QStringLiteral("SArea"), 10) << dateTime(QStringLiteral("EDate"))
                    << integer(QStringLiteral("Qty")) << text(QStringLiteral("UsCode"), 8)
                    << text(QStringLiteral("BRReason"), 60);
    brStock.indexes << IndexDef{QStringLiteral("IX_BRStock_BookNo"), {QStringLiteral("BookNo")}, false, {}};
    t << brStock;

    return t;
}

QString typeSql(Backend backend, const ColumnDef& c)
{
    const bool pg = backend == Backend::Postgres;
    switch (c.type) {
    case ColType::Text:
        return pg ? QStringLiteral("VARCHAR(%1)").arg(c.size) : QStringLiteral("TEXT");
    case ColType::LongText:
        return QStringLiteral("TEXT");
    case ColType::Decimal:
        return QStringLiteral("NUMERIC(%1,%2)").arg(c.size).arg(c.scale);
    case ColType::Integer:
        return QStringLiteral("INTEGER");
    case ColType::SmallInt:
        return QStringLiteral("SMALLINT");
    case ColType::Identity:
        return pg ? QStringLiteral("INTEGER GENERATED BY DEFAULT AS IDENTITY")
                  : QStringLiteral("INTEGER");
    case ColType::DateTime:
        return pg ? QStringLiteral("TIMESTAMP(0)") : QStringLiteral("TEXT");
    case ColType::Boolean:
        return QStringLiteral("SMALLINT");
    }
    return {};
}

} // namespace

int version() { return 1; }

const QList<TableDef>& tables()
{
    static const QList<TableDef> all = buildTables();
    return all;
}

const TableDef* table(const QString& name)
{
    for (const TableDef& t : tables()) {
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}


const QList<ViewDef>& views()
{
    static const QList<ViewDef> all;
    return all;
}

bool isValidBranchCode(const QString& code)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9]{1,10}$"));
    return pattern.match(code).hasMatch();
}

QList<ColumnDef> branchBookColumns(const QString& code)
{
    Q_ASSERT(isValidBranchCode(code));
    return {integer(QStringLiteral("Stock") + code, QStringLiteral("0")),
            integer(QStringLiteral("SStock") + code, QStringLiteral("0")),
            text(QStringLiteral("Loc") + code, 10)};
}

QString columnSql(Backend backend, const TableDef& table, const ColumnDef& c)
{
    QString sql = c.name + QLatin1Char(' ') + typeSql(backend, c);
    const bool soleKey = table.primaryKey.size() == 1
                         && table.primaryKey.first().compare(c.name, Qt::CaseInsensitive) == 0;
    if (c.type == ColType::Identity) {
        // SQLite hands out identities only through its rowid alias.
        if (backend == Backend::Sqlite)
            return sql + QStringLiteral(" PRIMARY KEY AUTOINCREMENT");
        return sql + (soleKey ? QStringLiteral(" PRIMARY KEY") : QString());
    }
    if (c.notNull)
        sql += QStringLiteral(" NOT NULL");
    if (!c.defaultValue.isEmpty())
        sql += QStringLiteral(" DEFAULT ") + c.defaultValue;
    if (backend == Backend::Sqlite && c.type == ColType::Text)
        sql += QStringLiteral(" CHECK (length(%1) <= %2)").arg(c.name).arg(c.size);
    if (c.type == ColType::Boolean)
        sql += QStringLiteral(" CHECK (%1 IN (0,1))").arg(c.name);
    return sql;
}

QStringList createStatements(Backend backend, const QStringList& branchCodes)
{
    QStringList out;
    for (const TableDef& t : tables()) {
        QStringList parts;
        QList<ColumnDef> cols = t.columns;
        if (t.name == QLatin1String("Book")) {
            for (const QString& code : branchCodes)
                cols << branchBookColumns(code);
        }
        bool identityKey = false;
        for (const ColumnDef& c : cols) {
            parts << columnSql(backend, t, c);
            identityKey = identityKey || (c.type == ColType::Identity && t.primaryKey == QStringList{c.name});
        }
        if (!t.primaryKey.isEmpty() && !identityKey)
            parts << QStringLiteral("PRIMARY KEY (%1)").arg(t.primaryKey.join(QLatin1Char(',')));
        parts << t.constraints;
        out << QStringLiteral("CREATE TABLE %1 (\n  %2\n)").arg(t.name, parts.join(QStringLiteral(",\n  ")));
        for (const IndexDef& ix : t.indexes) {
            QString sql = QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                              .arg(ix.unique ? QStringLiteral("UNIQUE ") : QString(), ix.name, t.name,
                                   ix.columns.join(QLatin1Char(',')));
            if (!ix.where.isEmpty())
                sql += QStringLiteral(" WHERE ") + ix.where;
            out << sql;
        }
    }
    for (const ViewDef& v : views())
        out << QStringLiteral("CREATE VIEW %1 AS\n%2").arg(v.name, v.select);
    out << QStringLiteral("INSERT INTO SchemaInfo (Version) VALUES (%1)").arg(version());
    return out;
}

bool exists(Connection& connection)
{
    return connection.database().tables().contains(QStringLiteral("schemainfo"), Qt::CaseInsensitive);
}

bool create(Connection& connection, const QStringList& branchCodes, QString* error)
{
    for (const QString& code : branchCodes) {
        if (!isValidBranchCode(code)) {
            if (error)
                *error = QStringLiteral("invalid branch code: %1").arg(code);
            return false;
        }
    }
    if (!connection.open()) {
        if (error)
            *error = connection.lastErrorText();
        return false;
    }
    if (exists(connection)) {
        if (error)
            *error = QStringLiteral("the database already holds a schema");
        return false;
    }
    QSqlQuery q(connection.database());
    for (const QString& sql : createStatements(connection.backend(), branchCodes)) {
        if (!q.exec(sql)) {
            if (error)
                *error = q.lastError().text() + QStringLiteral("\n") + sql;
            return false;
        }
    }
    return true;
}

} // namespace Schema
