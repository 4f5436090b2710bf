#include "data/procedures/InsLogRec.h"

#include "data/SqlDialect.h"

namespace Procedures {

InsLogRecResult InsLogRec(Connection& con, const QString& sArea, const QString& uCode,
                          const QString& uName, const QString& opItem, const QString& opKind,
                          const QString& opRemark)
{
    InsLogRecResult result;
    const QString sql =
        QStringLiteral(
            "INSERT INTO LogRec (OPDTime, SArea, OPUserC, OPUserN, OPItem, OPKind, OPRemark) "
            "VALUES (%1, ?, ?, ?, ?, ?, ?) RETURNING LogNo")
            .arg(SqlDialect::now(con.backend()));
    // Kept prepared: every save writes its log line.
    QSqlQuery* q =
        detail::execPrepared(con, sql, {sArea, uCode, uName, opItem, opKind, opRemark}, result);
    if (!q)
        return result;
    if (q->next())
        result.logNo = q->value(0).toLongLong();
    q->finish();
    return result;
}

} // namespace Procedures
