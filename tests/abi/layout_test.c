/* The exported header as strict C11: struct sizes and offsets a C caller links against. */
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "srv6_db.h"

#define CHECK_OFFSET(type, field, offset) \
  _Static_assert(offsetof(type, field) == (offset), #type "." #field)

CHECK_OFFSET(Srv6DbStatEntry, count, 0);
CHECK_OFFSET(Srv6DbStatEntry, time, 4);
CHECK_OFFSET(Srv6DbStatEntry, updated, 12);
CHECK_OFFSET(Srv6DbMemCallback, freeFunc, sizeof(void *));
CHECK_OFFSET(Srv6DbLogCallBack, errLog, sizeof(void *));
CHECK_OFFSET(Srv6DbGlbCtl, createDbObj, 1 * sizeof(void *));
CHECK_OFFSET(Srv6DbGlbCtl, releaseDbObj, 2 * sizeof(void *));
CHECK_OFFSET(Srv6DbGlbCtl, resetDbObj, 3 * sizeof(void *));
CHECK_OFFSET(Srv6DbGlbCtl, setDbAllFields, 4 * sizeof(void *));
CHECK_OFFSET(Srv6DbGlbCtl, reservedFunc2, 6 * sizeof(void *));
_Static_assert(sizeof(Srv6DbGlbCtl) == 7 * sizeof(void *), "registry row: seven slots");
_Static_assert(sizeof(Srv6DbIter) == 16, "iterator handle");
CHECK_OFFSET(Srv6DbIter, rootIter, 8);
_Static_assert(sizeof(g_srv6DbStat) == 17 * 22 * 16, "statistics matrix");
_Static_assert(sizeof(g_srv6DbStatDesc) / sizeof(g_srv6DbStatDesc[0]) == 22, "descriptors");
_Static_assert(sizeof(g_srv6DbGlbCtl) / sizeof(g_srv6DbGlbCtl[0]) == 17, "registry rows");

CHECK_OFFSET(Srv6DbCommonEntry, ipv6Addr1, 8);
CHECK_OFFSET(Srv6DbCommonEntry, spare, 50);
CHECK_OFFSET(Srv6DbCommonEntry, octets, 52);
CHECK_OFFSET(Srv6DbCommonEntry, smoothId, 88);
CHECK_OFFSET(Srv6DbCommonEntry, data1, 96);
CHECK_OFFSET(Srv6DbCommonRecord, attr9, 44);
CHECK_OFFSET(Srv6DbCommonRecord, smoothId, 92);
CHECK_OFFSET(Srv6DbCommonRecord, data1, 96);
CHECK_OFFSET(Srv6DbCommonRecord, data2, 104);

int main(void) {
  /* Linked from C: the registry names the tables as the engine knows them. */
  Srv6DbGlbCtl *row = SRV6_DB_GetGlbCtl(8);
  if (row == NULL || row->tableName == NULL || strcmp(row->tableName, "srv6_sidnhp") != 0) return 1;
  printf("table 8 is %s\n", row->tableName);
  return (SRV6_DB_GetGlbCtl(17) == NULL && SRV6_DB_GetStat(0, 22) == NULL) ? 0 : 1;
}
