// Visibility of what the simulator libraries export: the vendor entry points,
// the Sim control functions and the few calls the stand-in libraries make into
// the shared simulator library. Everything else stays hidden.
#pragma once

#if defined(_WIN32)
#define E140SIM_EXPORT __declspec(dllexport)
#else
#define E140SIM_EXPORT __attribute__((visibility("default")))
#endif

#if defined(E140SIM_BUILDING)
#define E140SIM_API E140SIM_EXPORT
#elif defined(_WIN32)
#define E140SIM_API __declspec(dllimport)
#else
#define E140SIM_API
#endif
