// The digital-I/O face: TTL words and the words written at start and stop.
#include "driver/E14_140.h"
#include "driver/mE14_x40.h"

namespace e14 {

std::string E14_140::IDIO_DIOName() { return State().AdcInfo.Name; }
bool E14_140::IDIO_Detected() { return State().DioState.Detected; }
uint8_t E14_140::IDIO_DIBits() { return State().DioState.DIBits; }
uint8_t E14_140::IDIO_DOBits() { return State().DioState.DOBits; }
int32_t E14_140::IDIO_DIValue() { return ReadDigitalInputs(); }
int32_t E14_140::IDIO_DOValue() { return LastDigitalOutputs(); }
void E14_140::IDIO_DOValue(int32_t lValue) { WriteDigitalOutputs(lValue); }
bool E14_140::IDIO_DOStartEnabled() { return State().DioState.DOStartEnabled; }
void E14_140::IDIO_DOStartEnabled(bool fTurn) { State().DioState.DOStartEnabled = fTurn; }
int32_t E14_140::IDIO_DOStartValue() { return State().DioState.DOStartValue; }
void E14_140::IDIO_DOStartValue(int32_t lValue) { State().DioState.DOStartValue = lValue; }
bool E14_140::IDIO_DOStopEnabled() { return State().DioState.DOStopEnabled; }
void E14_140::IDIO_DOStopEnabled(bool fTurn) { State().DioState.DOStopEnabled = fTurn; }
int32_t E14_140::IDIO_DOStopValue() { return State().DioState.DOStopValue; }
void E14_140::IDIO_DOStopValue(int32_t lValue) { State().DioState.DOStopValue = lValue; }

}  // namespace e14
