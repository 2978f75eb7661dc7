/* TE flow group and SR tunnel tables. */
#ifndef SRV6_DB_TE_H
#define SRV6_DB_TE_H

#ifndef SRV6_DB_H
#error "include srv6_db.h, not this file"
#endif

/* Entries have natural alignment; records are packed to 4 bytes, as the engine stores them. */

#endif /* SRV6_DB_TE_H */
