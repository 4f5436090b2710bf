#pragma once

#include "data/procedures/HistoryDetail.h"

namespace Procedures {

/**
 * Transactions of customer selNo: opf 1 quotations, 2 orders, 5 shipments and sales returns.
 * Columns 3 and 4 are 書籍編號, 書名. Another opf is refused.
 * Both dates are inclusive whole days; sArea is a branch code or "%" for every company. selNo is
 * compared whole, never as a pattern. See DetailResult for the result sets and the sign rule.
 */
DetailResult CustomerDetail(Connection& con, int opf, const QDate& bDate, const QDate& eDate,
                            const QString& selNo, const QString& sArea);

} // namespace Procedures
