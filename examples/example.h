/* The example's parts, one per table family. */
#ifndef SRV6DB_EXAMPLE_H
#define SRV6DB_EXAMPLE_H

void ExampleSrv6(void);
void ExampleSrv6Te(void);
void ExampleTe(void);

#endif /* SRV6DB_EXAMPLE_H */
