#include "net/tls_versions.h"

bool AsksForTls12(unsigned major, unsigned minor) { return major == 6 && minor == 1; }
