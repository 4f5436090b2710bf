#include "data/procedures/ImpUpdateBook.h"

#include "data/SqlDialect.h"

namespace Procedures {

CountResult ImpUpdateBook(Connection& con, const QString& sArea, int pno, const QDateTime& eDate)
{
    CountResult result;
    if (!detail::requireTransaction(con, "ImpUpdateBook", result))
        return result;
    QSqlQuery q(con.database());
    if (!detail::exec(q, QStringLiteral("SELECT 1 FROM ImportM WHERE SArea = ? AND PNo = ?"),
                      {sArea, pno}, result))
        return result;
    const bool found = q.next();
    q.finish();
    if (!found) {
        result.error = DbError::refused(
            QStringLiteral("ImpUpdateBook: no goods receipt %1/%2").arg(sArea).arg(pno));
        return result;
    }
    if (!detail::exec(q,
                      QStringLiteral("UPDATE Book SET In_Date = ? WHERE BookNo IN "
                                     "(SELECT BookNo FROM ImpDetail WHERE SArea = ? AND PNo = ?)"),
                      {SqlDialect::dateTimeValue(con.backend(), eDate), sArea, pno}, result))
        return result;
    result.count = q.numRowsAffected();
    return result;
}

} // namespace Procedures
