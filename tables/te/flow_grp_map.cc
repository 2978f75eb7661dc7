// Flow group map table: its standard functions, generated from its description.
#include "schema/te/flow_grp_map_desc.h"

#include "core/table_ops.h"

SRV6DB_TABLE_FUNCTIONS(FlowGrpMap, srv6db::kFlowGrpMap)
