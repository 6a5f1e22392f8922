// Compiled with the include paths of a layer above platform/; the build must refuse it.
#include KV_PROBE_HEADER
