// The driver object: the host's analog-input, digital-I/O and analog-output
// faces over the driver-wide state of the calling thread. Members carry the
// interface prefix; property get/let pairs are overloads.
//
// Out-of-range indices give 0 or "" and are otherwise ignored; no member
// throws. All members run on the host thread that created the object.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "driver/StreamCounters.h"
#include "driver/mTypes3.h"

namespace e14 {

class E14_140 {
 public:
  E14_140();   // Class_Initialize
  ~E14_140();  // Class_Terminate
  E14_140(const E14_140&) = delete;
  E14_140& operator=(const E14_140&) = delete;

  // The settings dialog lives in the user-interface layer, which installs it
  // here; without one IADC3_ShowSetting shows nothing.
  using SettingsDialog = std::function<void()>;
  static void InstallSettingsDialog(SettingsDialog dialog);

  // Analog input.
  std::string IADC3_ADCName();
  uint8_t IADC3_Resolution();
  int16_t IADC3_ChannelsCount();
  float IADC3_RateMax();
  std::vector<std::string> IADC3_Ranges();
  bool IADC3_Detected();
  bool IADC3_Test();
  int16_t IADC3_BasePort();
  bool IADC3_Busy();
  std::string IADC3_ChannelName(int16_t index);
  int16_t IADC3_ChannelRange(int16_t index);
  void IADC3_ChannelRange(int16_t index, int16_t rangeIndex);
  float IADC3_ChannelUnitScale(int16_t index);
  float IADC3_ChannelUnitOffset(int16_t index);
  std::string IADC3_ChannelUnitName(int16_t index);
  float IADC3_Rate();
  void IADC3_Rate(float sRate);
  void IADC3_InputSizeData(int32_t newSize);
  int32_t IADC3_InputSizeData();
  int32_t IADC3_InputCountData();
  int32_t IADC3_InputSizeKadrs();
  int32_t IADC3_InputCountKadrs();
  int16_t IADC3_InputCountChannels();
  std::vector<int16_t> IADC3_InputChannels();
  // Refused (table unchanged) while recording, with more than 128 entries or
  // with an entry outside 0..31. An empty table selects no channel.
  void IADC3_InputChannels(const std::vector<int16_t>& table);
  int16_t IADC3_GetChannel(int16_t index);
  std::optional<std::vector<int16_t>> IADC3_GetKadr();  // nullopt: no array returned
  bool IADC3_StartRecord();
  void IADC3_StopRecord();
  FrameArray IADC3_InputData();  // Channels x Frames; frame 0 = channel table
  // The same into the host's own array; returns the frames taken after frame 0.
  int32_t IADC3_InputData(const FrameArrayMemory& memory);
  int32_t IADC3_GetData(int16_t* data, int32_t& dataSize, int32_t& inputCountData);
  std::string IADC3_LastError();
  bool IADC3_ShowSetting();
  E14_140* IADC3_Parent();

  // What happened to the data of the current or last recording.
  StreamCounterValues RecordingCounters();

  // Digital I/O.
  std::string IDIO_DIOName();
  bool IDIO_Detected();
  uint8_t IDIO_DIBits();
  uint8_t IDIO_DOBits();
  int32_t IDIO_DIValue();
  int32_t IDIO_DOValue();
  void IDIO_DOValue(int32_t lValue);
  bool IDIO_DOStartEnabled();
  void IDIO_DOStartEnabled(bool fTurn);
  int32_t IDIO_DOStartValue();
  void IDIO_DOStartValue(int32_t lValue);
  bool IDIO_DOStopEnabled();
  void IDIO_DOStopEnabled(bool fTurn);
  int32_t IDIO_DOStopValue();
  void IDIO_DOStopValue(int32_t lValue);

  // Analog output.
  std::string IDAO_Name();
  uint8_t IDAO_Resolution();
  bool IDAO_Detected();
  bool IDAO_Busy();
  std::string IDAO_LastError();
  int16_t IDAO_ChannelsCount();
  std::string IDAO_ChannelName(int16_t index);
  int32_t IDAO_ChannelMax(int16_t index);
  int32_t IDAO_ChannelMin(int16_t index);
  double IDAO_ChannelMaxReal(int16_t index);
  double IDAO_ChannelMinReal(int16_t index);
  int16_t IDAO_RangesCount();
  std::vector<std::string> IDAO_Ranges();
  int16_t IDAO_ChannelRange(int16_t index);
  void IDAO_ChannelRange(int16_t index, int16_t rangeIndex);
  double IDAO_ChannelUnitScale(int16_t index);
  double IDAO_ChannelUnitOffset(int16_t index);
  std::string IDAO_ChannelUnitName(int16_t index);
  int32_t IDAO_Value(int16_t index);
  void IDAO_Value(int16_t index, int32_t chValue);
  double IDAO_ValueReal(int16_t index);
  void IDAO_ValueReal(int16_t index, double chValue);
  // Write chCount codes (volts) starting at channel chFirst from the host's
  // array and hand the limited values back in it. A null array writes nothing.
  int32_t IDAO_SetValues(int16_t chFirst, int16_t chCount, int32_t* chValues);
  int32_t IDAO_SetValuesReal(int16_t chFirst, int16_t chCount, double* chValues);

 private:
  void InitTables();
  bool DetectDevice();
  int16_t GetChannelRange(int16_t index);
  void SetChannelRange(int16_t index, int16_t rangeIndex);
  float GetRate();
  void SetRate(float value);
  bool StartAcquisition();
  void StopAcquisition();
  bool ValidDacChannel(int32_t index);
};

}  // namespace e14
