#include "data/procedures/BookDetail.h"

namespace Procedures {

DetailResult BookDetail(Connection& con, int opf, const QDate& bDate, const QDate& eDate,
                        const QString& selNo, const QString& sArea)
{
    return detail::history(con, HistoryOf::Book, opf, bDate, eDate, selNo, sArea);
}

} // namespace Procedures
