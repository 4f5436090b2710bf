#include "data/procedures/MasterDelete.h"

#include "data/Schema.h"

namespace Procedures {

Status MasterDelete(Connection& con, const QString& sArea, int docKind, int pno)
{
    Status result;
    const DocKindDef* kind = Schema::docKind(docKind);
    // Stock adjustments and counter sales have changed stock and are never deleted.
    if (!kind || docKind == 0 || docKind == 12) {
        result.error = DbError::refused(
            QStringLiteral("MasterDelete: documents of kind %1 cannot be deleted").arg(docKind));
        return result;
    }
    if (!detail::requireTransaction(con, "MasterDelete", result))
        return result;
    const QString where = kind->numberedPerBranch ? QStringLiteral("SArea = ? AND PNo = ?")
                                                  : QStringLiteral("PNo = ?");
    const QVariantList key = kind->numberedPerBranch ? QVariantList{sArea, pno} : QVariantList{pno};
    QSqlQuery q(con.database());

    // A document whose stock is still out would keep it out for ever once deleted.
    if (!detail::exec(
            q,
            QStringLiteral("SELECT 1 FROM StockPost WHERE SArea = ? AND DocKind = ? AND PNo = ?"),
            {sArea, docKind, pno}, result))
        return result;
    const bool posted = q.next();
    q.finish();
    if (posted) {
        result.error = DbError::refused(
            QStringLiteral("MasterDelete: the stock of %1/%2 is still posted").arg(sArea).arg(pno));
        return result;
    }
    // The window decided on a cached flag: look again, in the statement that deletes.
    if (!detail::exec(
            q, QStringLiteral("DELETE FROM %1 WHERE %2 AND EComplete = 0").arg(kind->header, where),
            key, result))
        return result;
    if (q.numRowsAffected() == 0) {
        if (!detail::exec(
                q, QStringLiteral("SELECT EComplete FROM %1 WHERE %2").arg(kind->header, where),
                key, result))
            return result;
        const bool exists = q.next();
        q.finish();
        result.error = DbError::refused(
            exists ? QStringLiteral("MasterDelete: document %1/%2 is completed").arg(sArea).arg(pno)
                   : QStringLiteral("MasterDelete: no document %1/%2 of kind %3")
                         .arg(sArea)
                         .arg(pno)
                         .arg(docKind));
        return result;
    }
    // The lines follow their header through the reference; deleting them here as well keeps
    // the step whole where references are not enforced.
    detail::exec(q, QStringLiteral("DELETE FROM %1 WHERE %2").arg(kind->detail, where), key,
                 result);
    return result;
}

} // namespace Procedures
