#pragma once

#include "data/procedures/Procedure.h"

namespace Procedures {

struct UpdateStockResult : Status
{
    bool changed = false; ///< false: the document was already in the asked state
    int books = 0;        ///< books whose stock moved
};

/**
 * Posts (eComplete -1, or 1) or takes back (0) the quantities of a stock document on the stock
 * of its branch sArea. Signs by kind:
 *
 *   | kind | document        | posting |
 *   |------|-----------------|---------|
 *   | 4    | goods receipt   | + Qty   |
 *   | 5    | sales return    | + Qty   |
 *   | 3    | shipment        | - Qty   |
 *   | 6    | purchase return | - Qty   |
 *
 * Other kinds are refused. What is posted is recorded (StockPost), and taking back reverses
 * exactly that record: posting a posted document or taking back one that is not posted changes
 * nothing (changed = false), so two users completing the same document post it once. Books are
 * updated in book-number order, so concurrent postings cannot deadlock.
 */
UpdateStockResult UpdateStock(Connection& con, int eComplete, int docKind, int pno,
                              const QString& sArea);

} // namespace Procedures
