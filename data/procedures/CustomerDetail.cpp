#include "data/procedures/CustomerDetail.h"

namespace Procedures {

DetailResult CustomerDetail(Connection& con, int opf, const QDate& bDate, const QDate& eDate,
                            const QString& selNo, const QString& sArea)
{
    return detail::history(con, HistoryOf::Customer, opf, bDate, eDate, selNo, sArea);
}

} // namespace Procedures
