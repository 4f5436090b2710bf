#pragma once

// Every procedure, for callers that use several.
#include "data/procedures/AutoPNo.h"
#include "data/procedures/BookDetail.h"
#include "data/procedures/CheckBook.h"
#include "data/procedures/CustomerDetail.h"
#include "data/procedures/ImpUpdateBook.h"
#include "data/procedures/InsLogRec.h"
#include "data/procedures/MasterDelete.h"
#include "data/procedures/UpdateStock.h"
#include "data/procedures/VendorDetail.h"
