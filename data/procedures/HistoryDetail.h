#pragma once

#include <QDate>

#include "data/procedures/Procedure.h"

namespace Procedures {

/**
 * The transaction history of one customer, book or supplier (CustomerDetail, BookDetail,
 * VendorDetail).
 *
 * `lines` holds one row per document line, ordered by date, then document number. The first
 * column is the document number as text; goods movements (opf 4 and 5) carry a two-character
 * prefix naming their kind: "進貨" receipt, "退出" purchase return, "出貨" shipment, "退回" sales
 * return, "櫃台" counter sale. 日期 is text "yyyy/MM/dd", as dates are shown; the figures keep
 * their numeric types. Documents count as they stand, open or completed.
 *
 * Sign rule: a return (退出, 退回) takes goods back, so its line shows its quantity, 小計 and
 * 台幣價格 negated, and the subtotals and totals add the lines exactly as shown. 售價, 折扣 and
 * 匯率 keep their sign. 台幣價格 is Round(小計 × 匯率, 0), as the document totals compute it.
 *
 * `subtotals` (only when sArea is "%"): 公司編號, 公司名稱 (the group company's name), 數量小計,
 * 台幣價格小計, one row per company with lines, by company number. `totals`: one row, `sum`
 * (quantity) and `sum_1` (NT$ amount), 0 without lines. A stock adjustment has no amount.
 */
struct DetailResult : Status
{
    ResultSet lines;     ///< set 1: the transactions
    ResultSet subtotals; ///< set 2: only when sArea is "%", else empty with no columns
    ResultSet totals;    ///< last set: exactly one row, "sum" (quantity) and "sum_1" (NT$ amount)
};

enum class HistoryOf { Customer, Book, Vendor };

/// The columns of a history's lines (set 1) as the procedures name them, by kind and opf.
QStringList HistoryLineColumns(HistoryOf of, int opf);

/// The six price places of a stock adjustment's lines, always empty.
extern const QStringList AdjustmentPriceColumns;

namespace detail {

/// The one implementation behind the three procedures.
DetailResult history(Connection& con, HistoryOf of, int opf, const QDate& bDate, const QDate& eDate,
                     const QString& selNo, const QString& sArea);

} // namespace detail
} // namespace Procedures
