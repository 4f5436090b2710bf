#pragma once

#include "data/procedures/Procedure.h"

namespace Procedures {

struct AutoPNoResult : Status
{
    int pno = 0; ///< @PNo: the number given
};

/**
 * The next free number of a branch and document kind (1 to 7, 10, 11, 12). Numbers come from a
 * counter row that the call locks until the caller's transaction ends, so concurrent callers get
 * distinct numbers; a number whose transaction rolled back is given again. The counter never
 * falls behind numbers already in the header table. Kind 11 is numbered across all branches.
 */
AutoPNoResult AutoPNo(Connection& con, const QString& sArea, int opItem);

} // namespace Procedures
