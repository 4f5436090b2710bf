#include "data/procedures/VendorDetail.h"

namespace Procedures {

DetailResult VendorDetail(Connection& con, int opf, const QDate& bDate, const QDate& eDate,
                          const QString& selNo, const QString& sArea)
{
    return detail::history(con, HistoryOf::Vendor, opf, bDate, eDate, selNo, sArea);
}

} // namespace Procedures
