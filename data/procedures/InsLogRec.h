#pragma once

#include "data/procedures/Procedure.h"

namespace Procedures {

struct InsLogRecResult : Status
{
    qint64 logNo = 0; ///< the record's key
};

/// One change-log record, stamped with the database's time.
InsLogRecResult InsLogRec(Connection& con, const QString& sArea, const QString& uCode,
                          const QString& uName, const QString& opItem, const QString& opKind,
                          const QString& opRemark);

} // namespace Procedures
