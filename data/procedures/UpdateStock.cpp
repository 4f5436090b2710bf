#include "data/procedures/UpdateStock.h"

#include "data/Schema.h"
#include "data/SqlDialect.h"

namespace Procedures {

namespace {

/// +1: the document brings books into the branch, -1: it takes them out.
int stockSign(int docKind)
{
    switch (docKind) {
    case 4: // goods receipt
    case 5: // sales return
        return 1;
    case 3: // shipment
    case 6: // purchase return
        return -1;
    default:
        return 0;
    }
}

bool moveStock(Connection& con, const QString& stockColumn, const QString& bookNo, int delta,
               Status& status)
{
    QSqlQuery* q = detail::execPrepared(
        con,
        QStringLiteral("UPDATE Book SET %1 = COALESCE(%1, 0) + ? WHERE BookNo = ?")
            .arg(stockColumn),
        {delta, bookNo}, status);
    if (!q)
        return false;
    if (q->numRowsAffected() != 1) {
        status.error = DbError::refused(QStringLiteral("UpdateStock: no book %1").arg(bookNo));
        return false;
    }
    return true;
}

} // namespace

UpdateStockResult UpdateStock(Connection& con, int eComplete, int docKind, int pno,
                              const QString& sArea)
{
    UpdateStockResult result;
    const int sign = stockSign(docKind);
    const DocKindDef* kind = Schema::docKind(docKind);
    if (sign == 0 || !kind) {
        result.error = DbError::refused(
            QStringLiteral("UpdateStock: document kind %1 holds no stock").arg(docKind));
        return result;
    }
    if (eComplete != 0 && eComplete != -1 && eComplete != 1) {
        result.error = DbError::refused(
            QStringLiteral("UpdateStock: EComplete must be -1 or 0, not %1").arg(eComplete));
        return result;
    }
    if (!Schema::isValidBranchCode(sArea)) {
        result.error =
            DbError::refused(QStringLiteral("UpdateStock: invalid branch \"%1\"").arg(sArea));
        return result;
    }
    if (!detail::requireTransaction(con, "UpdateStock", result))
        return result;
    const QString stockColumn = QStringLiteral("Stock") + sArea;
    const QVariantList key = {sArea, docKind, pno};
    // Every statement stays prepared on the connection: a posting runs them for each document.
    QSqlQuery* q = detail::execPrepared(
        con, QStringLiteral("SELECT 1 FROM %1 WHERE SArea = ? AND PNo = ?").arg(kind->header),
        {sArea, pno}, result);
    if (!q)
        return result;
    const bool found = q->next();
    q->finish();
    if (!found) {
        result.error = DbError::refused(QStringLiteral("UpdateStock: no document %1/%2 of kind %3")
                                            .arg(sArea)
                                            .arg(pno)
                                            .arg(docKind));
        return result;
    }

    if (eComplete != 0) {
        // The posting record is the lock: a second poster of the same document waits for the
        // first and then finds it posted.
        q = detail::execPrepared(
            con,
            QStringLiteral(
                "INSERT INTO StockPost (SArea, DocKind, PNo, PostTime) VALUES (?, ?, ?, %1) "
                "ON CONFLICT (SArea, DocKind, PNo) DO NOTHING")
                .arg(SqlDialect::now(con.backend())),
            key, result);
        if (!q || q->numRowsAffected() == 0)
            return result;
        q = detail::execPrepared(
            con,
            QStringLiteral("SELECT BookNo, SUM(Qty) FROM %1 WHERE SArea = ? AND PNo = ? "
                           "AND BookNo IS NOT NULL GROUP BY BookNo ORDER BY BookNo")
                .arg(kind->detail),
            {sArea, pno}, result);
        if (!q)
            return result;
        QList<std::pair<QString, int>> moves;
        while (q->next()) {
            const int qty = q->value(1).toInt();
            if (qty != 0)
                moves.append({q->value(0).toString(), sign * qty});
        }
        q->finish();
        for (const auto& [bookNo, delta] : moves) {
            if (!moveStock(con, stockColumn, bookNo, delta, result) ||
                !detail::execPrepared(
                    con,
                    QStringLiteral("INSERT INTO StockPostLine (SArea, DocKind, PNo, BookNo, Qty) "
                                   "VALUES (?, ?, ?, ?, ?)"),
                    QVariantList(key) << bookNo << delta, result))
                return result;
        }
        result.changed = true;
        result.books = int(moves.size());
        return result;
    }

    // Take back exactly what was posted, under the posting record's lock.
    q = detail::execPrepared(
        con,
        QStringLiteral("SELECT PNo FROM StockPost WHERE SArea = ? AND DocKind = ? AND PNo = ?%1")
            .arg(SqlDialect::forUpdate(con.backend())),
        key, result);
    if (!q)
        return result;
    const bool posted = q->next();
    q->finish();
    if (!posted)
        return result;
    q = detail::execPrepared(
        con,
        QStringLiteral(
            "SELECT BookNo, Qty FROM StockPostLine WHERE SArea = ? AND DocKind = ? AND PNo = ? "
            "ORDER BY BookNo"),
        key, result);
    if (!q)
        return result;
    QList<std::pair<QString, int>> moves;
    while (q->next())
        moves.append({q->value(0).toString(), -q->value(1).toInt()});
    q->finish();
    for (const auto& [bookNo, delta] : moves) {
        if (!moveStock(con, stockColumn, bookNo, delta, result))
            return result;
    }
    if (!detail::execPrepared(
            con,
            QStringLiteral("DELETE FROM StockPostLine WHERE SArea = ? AND DocKind = ? AND PNo = ?"),
            key, result) ||
        !detail::execPrepared(
            con,
            QStringLiteral("DELETE FROM StockPost WHERE SArea = ? AND DocKind = ? AND PNo = ?"),
            key, result))
        return result;
    result.changed = true;
    result.books = int(moves.size());
    return result;
}

} // namespace Procedures
