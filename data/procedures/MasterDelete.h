#pragma once

#include "data/procedures/Procedure.h"

namespace Procedures {

/**
 * Deletes a document header and its lines (kinds 1 to 11). A completed document, or one whose
 * stock is still posted, is refused, as is a document that no longer exists. Kind 11 is found
 * by pno alone; its sArea is ignored.
 */
Status MasterDelete(Connection& con, const QString& sArea, int docKind, int pno);

} // namespace Procedures
