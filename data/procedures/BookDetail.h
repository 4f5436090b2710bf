#pragma once

#include "data/procedures/HistoryDetail.h"

namespace Procedures {

/**
 * Transactions of book selNo: opf 1 quotations, 2 orders (客戶編號, 客戶名稱), 3 purchases,
 * 4 receipts and purchase returns (供應商號, 供應商名稱), 5 shipments, sales returns and counter
 * sales (客戶編號, 客戶名稱; a counter line names its own customer), 6 stock adjustments (調整單號,
 * 日期, 數量, 原因, six empty price places, 調整者, 公司編號). Another opf is refused.
 * Both dates are inclusive whole days; sArea is a branch code or "%" for every company. selNo is
 * compared whole, never as a pattern. See DetailResult for the result sets and the sign rule.
 */
DetailResult BookDetail(Connection& con, int opf, const QDate& bDate, const QDate& eDate,
                        const QString& selNo, const QString& sArea);

} // namespace Procedures
