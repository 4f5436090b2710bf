#pragma once

#include "data/procedures/Procedure.h"

namespace Procedures {

/**
 * Looks a book up by `op` "BookNo" or "BarCode" (letter case ignored); any other `op` is
 * refused. Columns: BookNo, BookName, Author, BPublisher, BarCode, NTPrice, FPrice, ORI_CR,
 * KDiscount, Stocks, SafeStock (the stock columns of branch sArea). No row: no such book; a bar
 * code shared by several books gives them all, by book number.
 */
RowsResult CheckBook(Connection& con, const QString& sArea, const QString& op, const QString& cs);

} // namespace Procedures
