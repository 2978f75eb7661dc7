/*
 * IPv6 addresses of the entries as text, header-only (nothing of it is exported by the library).
 * An entry holds an address as four host-order 32-bit words, word 0 the most significant:
 * 2001:db8::1 is {0x20010db8, 0, 0, 1}. Compiles as C11 and C++.
 */
#ifndef SRV6DB_SRV6_DB_IPV6_H
#define SRV6DB_SRV6_DB_IPV6_H

#include <arpa/inet.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Text buffer size for SRV6_DB_Ipv6ToText, the terminating zero included. */
#define SRV6_DB_IPV6_TEXT_LEN INET6_ADDRSTRLEN

/* Writes the usual text form of @p words ("2001:db8::1") into @p text, which holds @p size
 * bytes; returns @p text, or NULL (text unchanged) if @p size is too small or a pointer null. */
static inline char *SRV6_DB_Ipv6ToText(const uint32_t words[4], char *text, size_t size) {
  uint8_t bytes[16];
  int i;
  if (words == NULL || text == NULL) return NULL;
  for (i = 0; i < 16; ++i) bytes[i] = (uint8_t)(words[i / 4] >> (8 * (3 - i % 4)));
  return inet_ntop(AF_INET6, bytes, text, (socklen_t)size) != NULL ? text : NULL;
}

/* Parses the text form of an address into @p words; 0 on success, 1 (words unchanged) if
 * @p text is no IPv6 address or a pointer null. */
static inline uint32_t SRV6_DB_Ipv6FromText(const char *text, uint32_t words[4]) {
  uint8_t bytes[16];
  int i;
  if (text == NULL || words == NULL || inet_pton(AF_INET6, text, bytes) != 1) return 1;
  for (i = 0; i < 4; ++i) {
    words[i] = (uint32_t)bytes[4 * i] << 24 | (uint32_t)bytes[4 * i + 1] << 16 |
               (uint32_t)bytes[4 * i + 2] << 8 | bytes[4 * i + 3];
  }
  return 0;
}

#ifdef __cplusplus
}
#endif

#endif /* SRV6DB_SRV6_DB_IPV6_H */
