/* SRv6-TE tables: policies, candidate paths, SID stacks, IIDs, binding SIDs, traffic statistics. */
#ifndef SRV6_DB_SRV6TE_H
#define SRV6_DB_SRV6TE_H

#ifndef SRV6_DB_H
#error "include srv6_db.h, not this file"
#endif

/* Entries have natural alignment; records are packed to 4 bytes, as the engine stores them. */

#endif /* SRV6_DB_SRV6TE_H */
