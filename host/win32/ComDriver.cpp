// The e140 tool's driver on Windows: the registered COM server, created by
// its ProgID as a host creates it and used early-bound through the host
// interfaces, the recording counters and the driver's tool services.
#include <windows.h>
#include <objbase.h>

#include <stdexcept>

#include "host/HostDriver.h"
#include "host/win32/ComApartment.h"
#include "host/win32/ComResults.h"
#include "host/win32/ModuleRows.h"
#include "server/ComConvert.h"
#include "server/ComRef.h"
#include "server/Kestrel.h"
#include "server/ScriptArrays.h"

namespace e14::host {

namespace {

using com::ComRef;
using com::FromVariantBool;
using com::ToVariantBool;

constexpr wchar_t kProgId[] = L"Kestrel.E14_140";

ComRef<_E14_140> CreateRegisteredDriver() {
  CLSID clsid = {};
  if (FAILED(CLSIDFromProgID(kProgId, &clsid)))
    throw std::runtime_error("the driver Kestrel.E14_140 is not registered (regsvr32 E14_140.adc)");
  ComRef<_E14_140> driver;
  const HRESULT result = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(_E14_140),
                                          reinterpret_cast<void**>(driver.put()));
  if (FAILED(result)) throw std::runtime_error("cannot create the driver Kestrel.E14_140: " + ResultText(result));
  return driver;
}

template <class Face>
ComRef<Face> FaceOf(IUnknown* object, const char* name) {
  ComRef<Face> face;
  if (FAILED(object->QueryInterface(__uuidof(Face), reinterpret_cast<void**>(face.put()))))
    throw std::runtime_error(std::string("the registered driver has no ") + name +
                             " interface: it is older than this tool");
  return face;
}

class ComDriver final : public HostDriver {
 public:
  ComDriver() : object_(CreateRegisteredDriver()) {
    Check(object_->GetADC3(adc_.put()), "GetADC3");
    Check(object_->GetDIO(dio_.put()), "GetDIO");
    Check(object_->GetDAO(dao_.put()), "GetDAO");
    counters_ = FaceOf<IRecordingCounters>(object_.get(), "IRecordingCounters");
    tools_ = FaceOf<IDriverTools>(object_.get(), "IDriverTools");
  }

  std::vector<ModuleSummary> ListModules() override {
    SAFEARRAY* table = nullptr;
    Check(tools_->get_Modules(&table), "Modules");
    return TakeModules(table);
  }
  bool Open() override {
    VARIANT_BOOL found = VARIANT_FALSE;
    Check(adc_->Test(&found), "Test");
    return FromVariantBool(found);
  }
  std::string LastError() override { return TakeText(Get(adc_.get(), &ADCInterface3::get_LastError, "LastError")); }
  std::string Name() override { return TakeText(Get(adc_.get(), &ADCInterface3::get_ADCName, "ADCName")); }
  std::string BoardInfo() override {
    return TakeText(Get(tools_.get(), &IDriverTools::get_BoardInfo, "BoardInfo"));
  }
  std::vector<std::string> Ranges() override {
    SAFEARRAY* ranges = nullptr;
    Check(adc_->get_Ranges(&ranges), "Ranges");
    return TakeTexts(ranges);
  }
  std::string ChannelName(int16_t index) override {
    BSTR text = nullptr;
    Check(adc_->get_ChannelName(&index, &text), "ChannelName");
    return TakeText(text);
  }
  float RateMax() override { return Get(adc_.get(), &ADCInterface3::get_RateMax, "RateMax"); }

  void SetChannels(const std::vector<int16_t>& table) override {
    const com::SafeArrayPtr channels(com::ToSafeArray(table));
    SAFEARRAY* passed = channels.get();
    Check(adc_->put_InputChannels(&passed), "InputChannels");
  }
  std::vector<int16_t> Channels() override {
    SAFEARRAY* channels = nullptr;
    Check(adc_->get_InputChannels(&channels), "InputChannels");
    return TakeShorts(channels);
  }
  void SetRange(int16_t channel, int16_t range) override {
    Check(adc_->put_ChannelRange(&channel, &range), "ChannelRange");
  }
  float Scale(int16_t channel) override {
    float scale = 0;
    Check(adc_->get_ChannelUnitScale(&channel, &scale), "ChannelUnitScale");
    return scale;
  }
  float Offset(int16_t channel) override {
    float offset = 0;
    Check(adc_->get_ChannelUnitOffset(&channel, &offset), "ChannelUnitOffset");
    return offset;
  }
  void SetRate(float rate) override { Check(adc_->put_Rate(&rate), "Rate"); }
  float Rate() override { return Get(adc_.get(), &ADCInterface3::get_Rate, "Rate"); }
  void SetBufferSize(int32_t samples) override {
    LONG size = samples;
    Check(adc_->put_InputSizeData(&size), "InputSizeData");
  }
  int32_t BufferFrames() override { return Get(adc_.get(), &ADCInterface3::get_InputSizeKadrs, "InputSizeKadrs"); }

  bool Start() override {
    VARIANT_BOOL started = VARIANT_FALSE;
    Check(adc_->StartRecord(&started), "StartRecord");
    return FromVariantBool(started);
  }
  void Stop() override { Check(adc_->StopRecord(), "StopRecord"); }
  bool Busy() override { return FromVariantBool(Get(adc_.get(), &ADCInterface3::get_Busy, "Busy")); }
  int32_t Take(int16_t* data, int32_t capacity, int32_t& unreadSamples) override {
    LONG size = capacity;
    LONG unread = 0;
    LONG frames = 0;
    Check(adc_->GetData(data, &size, &unread, &frames), "GetData");
    unreadSamples = unread;
    return frames;
  }
  StreamCounterValues RecordingCounters() override {
    auto count = [this](HRESULT (STDMETHODCALLTYPE IRecordingCounters::*get)(double*), const char* member) {
      return static_cast<int64_t>(Get(counters_.get(), get, member));
    };
    StreamCounterValues c;
    c.FramesDelivered = count(&IRecordingCounters::get_FramesDelivered, "FramesDelivered");
    c.BlocksDropped = count(&IRecordingCounters::get_BlocksDropped, "BlocksDropped");
    c.FramesDropped = count(&IRecordingCounters::get_FramesDropped, "FramesDropped");
    c.ReadTimeouts = count(&IRecordingCounters::get_ReadTimeouts, "ReadTimeouts");
    c.ReadFailures = count(&IRecordingCounters::get_ReadFailures, "ReadFailures");
    c.Restarts = count(&IRecordingCounters::get_Restarts, "Restarts");
    c.FramesDiscarded = count(&IRecordingCounters::get_FramesDiscarded, "FramesDiscarded");
    return c;
  }
  // The driver's slow-mode timer is a thread timer of this apartment: its
  // callback runs when the WM_TIMER message is dispatched.
  void Pump() override {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }

  int16_t DacChannels() override { return Get(dao_.get(), &DAOInterface::get_ChannelsCount, "ChannelsCount"); }
  double DacScale() override {
    double scale = 0;
    Check(dao_->get_ChannelUnitScale(0, &scale), "ChannelUnitScale");
    return scale;
  }
  void DacCode(int16_t channel, int32_t code) override { Check(dao_->put_Value(channel, code), "Value"); }
  void DacVolts(int16_t channel, double volts) override {
    Check(dao_->put_ValueReal(channel, volts), "ValueReal");
  }
  int32_t DacCodeOf(int16_t channel) override {
    LONG code = 0;
    Check(dao_->get_Value(channel, &code), "Value");
    return code;
  }
  double DacVoltsOf(int16_t channel) override {
    double volts = 0;
    Check(dao_->get_ValueReal(channel, &volts), "ValueReal");
    return volts;
  }
  bool DacWaveform(int16_t channel, int16_t type, int16_t amplitude, int16_t baseline, float frequency,
                   float phase) override {
    VARIANT_BOOL started = VARIANT_FALSE;
    Check(tools_->StartWave(channel, type, amplitude, baseline, frequency, phase, &started), "StartWave");
    return FromVariantBool(started);
  }
  void DacStop() override { Check(tools_->StopWave(), "StopWave"); }

  int32_t DigitalInputs() override { return Get(dio_.get(), &DIOInterface::get_DIValue, "DIValue"); }
  void DigitalOutputs(int32_t word) override {
    LONG value = word;
    Check(dio_->put_DOValue(&value), "DOValue");
  }
  int32_t LastDigitalOutputs() override { return Get(dio_.get(), &DIOInterface::get_DOValue, "DOValue"); }
  void StartWord(bool enabled, int32_t word) override {
    VARIANT_BOOL on = ToVariantBool(enabled);
    LONG value = word;
    Check(dio_->put_DOStartEnabled(&on), "DOStartEnabled");
    Check(dio_->put_DOStartValue(&value), "DOStartValue");
  }
  void StopWord(bool enabled, int32_t word) override {
    VARIANT_BOOL on = ToVariantBool(enabled);
    LONG value = word;
    Check(dio_->put_DOStopEnabled(&on), "DOStopEnabled");
    Check(dio_->put_DOStopValue(&value), "DOStopValue");
  }

  std::string SettingsKey() override {
    return TakeText(Get(tools_.get(), &IDriverTools::get_SettingsKey, "SettingsKey"));
  }

 private:
  // A property get that hands back a plain value.
  template <class Value, class Face>
  static Value Get(Face* face, HRESULT (STDMETHODCALLTYPE Face::*get)(Value*), const char* member) {
    Value value{};
    Check((face->*get)(&value), member);
    return value;
  }

  // First in, last out: COM ends after every reference below is released.
  ComApartment apartment_;
  ComRef<_E14_140> object_;
  ComRef<ADCInterface3> adc_;
  ComRef<DIOInterface> dio_;
  ComRef<DAOInterface> dao_;
  ComRef<IRecordingCounters> counters_;
  ComRef<IDriverTools> tools_;
};

}  // namespace

std::unique_ptr<HostDriver> CreateHostDriver() { return std::make_unique<ComDriver>(); }

}  // namespace e14::host
