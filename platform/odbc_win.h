// The database connection through the ODBC driver manager (Unicode entry points only).
#pragma once

#include <memory>

#include "platform/data_access.h"

// A closed connection. Errors carry the driver's first diagnostic record: its text, and its
// native error as the number, or kDataErrorGeneric when the driver reports none (0).
std::unique_ptr<DbConnection> CreateOdbcConnection();
