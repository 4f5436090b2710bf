#include "data/procedures/CheckBook.h"

#include "data/Schema.h"

namespace Procedures {

RowsResult CheckBook(Connection& con, const QString& sArea, const QString& op, const QString& cs)
{
    RowsResult result;
    QString column;
    if (op.compare(QLatin1String("BookNo"), Qt::CaseInsensitive) == 0)
        column = QStringLiteral("BookNo");
    else if (op.compare(QLatin1String("BarCode"), Qt::CaseInsensitive) == 0)
        column = QStringLiteral("BarCode");
    if (column.isEmpty()) {
        result.error = DbError::refused(
            QStringLiteral("CheckBook: unknown @Op \"%1\" (BookNo or BarCode)").arg(op));
        return result;
    }
    if (!Schema::isValidBranchCode(sArea)) {
        result.error =
            DbError::refused(QStringLiteral("CheckBook: invalid branch \"%1\"").arg(sArea));
        return result;
    }
    static const QStringList columns = {
        QStringLiteral("BookNo"),     QStringLiteral("BookName"), QStringLiteral("Author"),
        QStringLiteral("BPublisher"), QStringLiteral("BarCode"),  QStringLiteral("NTPrice"),
        QStringLiteral("FPrice"),     QStringLiteral("ORI_CR"),   QStringLiteral("KDiscount"),
        QStringLiteral("Stocks"),     QStringLiteral("SafeStock")};
    const QString sql =
        QStringLiteral("SELECT BookNo, BookName, Author, BPublisher, BarCode, NTPrice, FPrice, "
                       "ORI_CR, KDiscount, Stock%1 AS Stocks, SStock%1 AS SafeStock "
                       "FROM Book WHERE %2 = ? ORDER BY BookNo")
            .arg(sArea, column);
    // Looked up for every line typed: the statement stays prepared on the connection.
    QSqlQuery* q = detail::execPrepared(con, sql, {cs}, result);
    if (!q)
        return result;
    result.rows = detail::readAll(*q, columns);
    return result;
}

} // namespace Procedures
