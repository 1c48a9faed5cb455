/* Test controls of the simulated E14-140 modules. Tests link the shared
 * simulator library (target E140Sim); both stand-in vendor libraries use the
 * same library, so what is set here is what the driver sees through them.
 *
 * A module is named by its virtual slot 0..15. Calls on a slot without a
 * module do nothing and return 0 (or -1 where noted). Records are the vendor
 * records byte for byte (vendor/VendorAbi.h). */
#ifndef E140SIM_SIM_CONTROL_H
#define E140SIM_SIM_CONTROL_H

#include <stdint.h>

#include "sim/Export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Replaces the whole simulated world (libraries, modules, pace) with the JSON
 * configuration (format in sim/README.md). NULL re-reads the file named by
 * E140SIM_CONFIG, or takes the default world when it is not set. Returns 1, or
 * 0 with the world unchanged and the reason in SimConfigError(). Modules that
 * are open keep running detached from the new world until closed. */
E140SIM_API int SimConfigure(const char* json);
/* Why the last SimConfigure failed; "" after a success. */
E140SIM_API const char* SimConfigError(void);

/* Library faults; name is "LUsbApi3" or "LUsbApiU". A missing library
 * reports version 0 and creates no interface object. */
E140SIM_API int SimSetLibraryPresent(const char* name, int present);
E140SIM_API int SimSetLibraryVersion(const char* name, uint32_t version);

/* Time: the module clocks run speedUp times faster than the steady clock;
 * unpaced makes every sample due at once. Both apply to every module. */
E140SIM_API void SimSetSpeedUp(double speedUp);
E140SIM_API void SimSetUnpaced(int unpaced);

/* Module faults. A NULL or empty text clears the fault. */
E140SIM_API int SimSetPlugged(int slot, int plugged);
E140SIM_API int SimFailOpen(int slot, const char* text);
E140SIM_API int SimFailDescriptor(int slot, int fail);
E140SIM_API int SimRefuseAdcParams(int slot, const char* text);
/* StartAdc fails (the driver learns it only on its worker thread). */
E140SIM_API int SimFailStartAdc(int slot, int fail);

/* Inputs. */
E140SIM_API int SimSetTtlIn(int slot, uint16_t word);

/* What the driver sent. */
E140SIM_API int SimModuleOpen(int slot);
/* Copies the last AdcParams record written (296 bytes); 0 when none was. */
E140SIM_API int SimLastAdcParams(int slot, void* record);
E140SIM_API int SimAdcRunning(int slot);
/* Last code written to a DAC channel, -1 for a bad slot or channel. */
E140SIM_API int32_t SimDacCode(int slot, int channel);
/* TTL output word (module memory 0x400), -1 for a bad slot. */
E140SIM_API int32_t SimTtlOut(int slot);
E140SIM_API int SimTtlOutEnabled(int slot);
/* Copies the 16-byte DAC parameter block; 0 when it was never written. */
E140SIM_API int SimDacParamBlock(int slot, void* block);
/* Copies up to maxWords uploaded waveform words; returns how many exist. */
E140SIM_API uint32_t SimDacWaveform(int slot, uint16_t* words, uint32_t maxWords);
E140SIM_API int SimDacStreaming(int slot);
/* Copies count bytes of module memory from address; 0 past its end. */
E140SIM_API int SimReadMemory(int slot, uint32_t address, void* bytes, uint32_t count);

/* Streaming. Frames are counted from the last ADC start. */
E140SIM_API uint64_t SimFramesProduced(int slot);
/* Steady-clock time (ns since std::chrono::steady_clock's epoch) at which the
 * last sample of that frame was due; 0 when unknown (no start, unpaced). */
E140SIM_API int64_t SimFrameTimeNs(int slot, uint64_t frameIndex);

#ifdef __cplusplus
}
#endif

#endif
