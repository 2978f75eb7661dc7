/* VRF class data walk: a read-only walk over the engine's VRF class data records. */
#ifndef SRV6_DB_VRF_H
#define SRV6_DB_VRF_H

#ifndef SRV6_DB_H
#error "include srv6_db.h, not this file"
#endif

#endif /* SRV6_DB_VRF_H */
