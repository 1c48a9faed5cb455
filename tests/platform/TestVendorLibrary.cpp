// A shared library for the loader tests to find beside the test program.
extern "C" __attribute__((visibility("default"))) int E14TestVendorAnswer() { return 42; }
