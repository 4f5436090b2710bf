#pragma once

#include <QDateTime>

#include "data/procedures/Procedure.h"

namespace Procedures {

/// Writes the receipt's date into In_Date of every book on the goods receipt (sArea, pno);
/// count = books updated. An unknown receipt is refused.
CountResult ImpUpdateBook(Connection& con, const QString& sArea, int pno, const QDateTime& eDate);

} // namespace Procedures
