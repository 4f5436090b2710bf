#include "data/procedures/AutoPNo.h"

#include "data/Schema.h"
#include "data/SqlDialect.h"

namespace Procedures {

namespace {
/// Head-office inquiries are numbered across branches: one counter row for all of them.
const QString AllBranches = QStringLiteral("*");
} // namespace

AutoPNoResult AutoPNo(Connection& con, const QString& sArea, int opItem)
{
    AutoPNoResult result;
    const DocKindDef* kind = Schema::docKind(opItem);
    // Stock adjustments and write-offs take the database's identity instead.
    if (!kind || opItem == 0 || opItem == 8 || opItem == 9) {
        result.error = DbError::refused(
            QStringLiteral("AutoPNo: document kind %1 is not numbered here").arg(opItem));
        return result;
    }
    if (kind->numberedPerBranch && sArea.trimmed().isEmpty()) {
        result.error = DbError::refused(QStringLiteral("AutoPNo: no branch given"));
        return result;
    }
    const QString area = kind->numberedPerBranch ? sArea : AllBranches;
    const QString highest =
        kind->numberedPerBranch
            ? QStringLiteral("(SELECT COALESCE(MAX(PNo), 0) FROM %1 WHERE SArea = ?)")
                  .arg(kind->header)
            : QStringLiteral("(SELECT COALESCE(MAX(PNo), 0) FROM %1)").arg(kind->header);
    // The UPDATE locks the counter row until the caller's transaction ends; numbers written
    // into the header table by other means are stepped over.
    const QString next =
        QStringLiteral("UPDATE PNoCounter SET LastNo = %1 + 1 "
                       "WHERE SArea = ? AND DocKind = ? RETURNING LastNo")
            .arg(SqlDialect::greatest(con.backend(), QStringLiteral("LastNo"), highest));
    QVariantList values;
    if (kind->numberedPerBranch)
        values << sArea;
    values << area << opItem;

    for (int attempt = 0; attempt < 2; ++attempt) {
        // Kept prepared: every document saved takes a number.
        QSqlQuery* q = detail::execPrepared(con, next, values, result);
        if (!q)
            return result;
        const bool numbered = q->next();
        if (numbered)
            result.pno = q->value(0).toInt();
        q->finish();
        if (numbered)
            return result;
        // First number of this branch and kind: make the counter row. A concurrent caller
        // making the same row waits for ours and then leaves it alone.
        if (!detail::execPrepared(
                con,
                QStringLiteral("INSERT INTO PNoCounter (SArea, DocKind, LastNo) VALUES (?, ?, 0) "
                               "ON CONFLICT (SArea, DocKind) DO NOTHING"),
                {area, opItem}, result))
            return result;
    }
    result.error =
        DbError::refused(QStringLiteral("AutoPNo: no counter for %1/%2").arg(area).arg(opItem));
    return result;
}

} // namespace Procedures
