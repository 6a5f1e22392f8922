// Stands before the real header on the include path of every layer above platform/.
#error "libcurl headers are included only under platform/; use its wrappers"
