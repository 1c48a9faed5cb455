// A shared library for the loader tests to find beside the test program.
#if defined(_WIN32)
#define E14_TEST_EXPORT __declspec(dllexport)
#else
#define E14_TEST_EXPORT __attribute__((visibility("default")))
#endif

extern "C" E14_TEST_EXPORT int E14TestVendorAnswer() { return 42; }
