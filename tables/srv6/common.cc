// Common table: its standard functions, generated from its description.
#include "schema/srv6/common_desc.h"

#include "core/table_ops.h"

SRV6DB_TABLE_FUNCTIONS(Common, srv6db::kCommon)
