#include "data/procedures/InsLogRec.h"

#include "data/SqlDialect.h"

namespace Procedures {

InsLogRecResult InsLogRec(Connection& con, const QString& sArea, const QString& uCode,
                          const QString& uName, const QString& opItem, const QString& opKind,
                          const QString& opRemark)
{
    InsLogRecResult result;
    QSqlQuery q(con.database());
    const QString sql =
        QStringLiteral(
            "INSERT INTO LogRec (OPDTime, SArea, OPUserC, OPUserN, OPItem, OPKind, OPRemark) "
            "VALUES (%1, ?, ?, ?, ?, ?, ?) RETURNING LogNo")
            .arg(SqlDialect::now(con.backend()));
    if (!detail::exec(q, sql, {sArea, uCode, uName, opItem, opKind, opRemark}, result))
        return result;
    if (q.next())
        result.logNo = q.value(0).toLongLong();
    q.finish();
    return result;
}

} // namespace Procedures
