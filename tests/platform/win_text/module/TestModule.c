/* Exports for the module-loading tests. */
#include <stdint.h>

static int32_t bumps;

/* The sum of a and b. */
int32_t KvTestModuleAdd(int32_t a, int32_t b) { return a + b; }

/* Counts its own calls; a fresh load of the module starts again at 1. */
int32_t KvTestModuleBump(void) { return ++bumps; }
