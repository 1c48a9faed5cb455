// The driver object as COM sees it: one identity behind every interface,
// reference counting, the class factory and DllCanUnloadNow, apartments; and
// what its faces add to the core through their vtables (early bound, exact
// types), on a thread without an open module: automation types, E_POINTER.
#include <gtest/gtest.h>

#include <barrier>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "server/ToolsColumns.h"
#include "sim/SimControl.h"
#include "tests/com/ComTestSupport.h"

namespace e14::com::test {
namespace {

HRESULT CanUnloadNow() {
  using Query = HRESULT(WINAPI*)();
  auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"E14_140.adc"), "DllCanUnloadNow")));
  return query != nullptr ? query() : E_FAIL;
}

TEST(DriverObject, EveryInterfaceHasTheObjectsIdentity) {
  const ComRef<_E14_140> driver = CreateDriver();
  const ComRef<IUnknown> identity = Query<IUnknown>(driver.get());
  EXPECT_EQ(static_cast<void*>(Query<IDispatch>(driver.get()).get()), static_cast<void*>(driver.get()))
      << "IDispatch is the default interface";
  for (const IID& iid : {__uuidof(ADCInterface3), __uuidof(DIOInterface), __uuidof(DAOInterface),
                         __uuidof(IRecordingCounters), __uuidof(IDriverTools)}) {
    ComRef<IUnknown> face;
    ASSERT_EQ(driver->QueryInterface(iid, reinterpret_cast<void**>(face.put())), S_OK);
    EXPECT_EQ(Query<IUnknown>(face.get()).get(), identity.get());
  }
  void* none = &none;
  EXPECT_EQ(driver->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
}

// Every reference keeps the server loaded until the last release; refused
// creations leave no object behind.
TEST(DriverObject, EveryReferenceKeepsTheServerLoadedUntilTheLastRelease) {
  _E14_140* driver = CreateDriver().detach();
  ADCInterface3* adc = nullptr;
  ASSERT_EQ(driver->GetADC3(&adc), S_OK);
  EXPECT_EQ(driver->AddRef(), 3u) << "GetADC3 handed a reference";
  EXPECT_EQ(adc->Release(), 2u) << "faces count on the object";
  EXPECT_EQ(driver->Release(), 1u);
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  EXPECT_EQ(driver->Release(), 0u);
  ComRef<IClassFactory> factory;
  ComRef<IUnknown> object;
  ASSERT_EQ(CoGetClassObject(__uuidof(E14_140), CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(factory.put())),
            S_OK);
  EXPECT_EQ(factory->CreateInstance(factory.get(), IID_IUnknown, reinterpret_cast<void**>(object.put())),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, reinterpret_cast<void**>(object.put())),
            E_NOINTERFACE);
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

// In a new apartment, a driver object; with `board`, its module opened and
// described, and kept open until every opening apartment has described its.
void InApartment(std::wstring* board, std::barrier<>* described) {
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  if (const ComRef<_E14_140> driver = CreateDriver(); board != nullptr) {
    VARIANT_BOOL opened = VARIANT_FALSE;
    BSTR text = nullptr;
    EXPECT_EQ(Query<ADCInterface3>(driver.get())->Test(&opened), S_OK);
    EXPECT_EQ(Query<IDriverTools>(driver.get())->get_BoardInfo(&text), S_OK);
    *board = std::wstring(text, SysStringLen(text));
    SysFreeString(text);
    described->arrive_and_wait();
  }
  CoUninitialize();
}

// Apartments creating, opening and releasing at once: each opens a module
// of its own (the core's thread state is tested natively; this is its COM side).
TEST(Apartments, EachApartmentOpensAModuleOfItsOwn) {
  // One module per library: two apartments opening at once get one each.
  ASSERT_EQ(SimConfigure(R"({"modules":[{"slot":0,"serial":"APT0","library":"LUsbApi3"},
    {"slot":1,"serial":"APT1","library":"LUsbApiU"}]})"), 1) << SimConfigError();
  std::wstring boards[2];
  std::barrier<> described(2);
  std::vector<std::thread> hosts;
  for (std::wstring& board : boards) hosts.emplace_back(InApartment, &board, &described);
  for (int churn = 0; churn < 20; ++churn) hosts.emplace_back(InApartment, nullptr, nullptr);
  for (std::thread& host : hosts) host.join();
  for (const wchar_t* serial : {L"APT0", L"APT1"})
    EXPECT_NE((boards[0] + boards[1]).find(serial), std::wstring::npos) << "no apartment opened it";
  ASSERT_EQ(SimConfigure(nullptr), 1);
}

class Faces : public ::testing::Test {
 protected:
  ComRef<_E14_140> driver = CreateDriver();
  ComRef<ADCInterface3> adc = Query<ADCInterface3>(driver.get());
  ComRef<DIOInterface> dio = Query<DIOInterface>(driver.get());
  ComRef<DAOInterface> dao = Query<DAOInterface>(driver.get());
  ComRef<IRecordingCounters> counters = Query<IRecordingCounters>(driver.get());
  ComRef<IDriverTools> tools = Query<IDriverTools>(driver.get());
};

// An array's element type, then its upper bounds.
std::vector<LONG> Shape(SAFEARRAY* array) {
  VARTYPE type = VT_EMPTY;
  SafeArrayGetVartype(array, &type);
  std::vector<LONG> shape{type};
  for (UINT d = 1; d <= SafeArrayGetDim(array); ++d) shape.push_back(Upper(array, d));
  return shape;
}

TEST_F(Faces, ArraysHaveTheirElementTypeAndShape) {
  SAFEARRAY* a = SafeArrayCreateVector(VT_I2, 0, 2);  // two channels
  ASSERT_EQ(adc->put_InputChannels(&a), S_OK);
  const std::pair<std::function<HRESULT()>, std::vector<LONG>> cases[] = {
      {[&] { return adc->get_Ranges(&a); }, {VT_BSTR, 3}},
      {[&] { return dao->get_Ranges(&a); }, {VT_BSTR, -1}},  // no DAC: empty, not none
      {[&] { return adc->get_InputChannels(&a); }, {VT_I2, 1}},
      {[&] { return adc->get_InputData(&a); }, {VT_I2, 1, 0}},  // channels first
      {[&] { return tools->get_Modules(&a); }, {VT_VARIANT, 0, kModuleColumns - 1}},
  };
  for (const auto& c : cases) {
    SafeArrayDestroy(a);
    ASSERT_EQ(c.first(), S_OK);
    EXPECT_EQ(Shape(a), c.second) << &c - cases;
  }
  // The module list's cells: slot, serial, revision, firmware, DAC, library.
  const VARTYPE cells[kModuleColumns] = {VT_I2, VT_BSTR, VT_BSTR, VT_I2, VT_I2, VT_BOOL, VT_BSTR};
  for (LONG column = 0; column < kModuleColumns; ++column) {
    Owned cell(Element(a, {0, column}));
    EXPECT_EQ(V_VT(&cell.v), cells[column]) << "column " << column;
  }
  SafeArrayDestroy(a);
  a = nullptr;  // a VB array never dimensioned: no channel
  ASSERT_EQ(adc->put_InputChannels(&a), S_OK);
  ASSERT_EQ(adc->get_InputChannels(&a), S_OK);
  EXPECT_EQ(Shape(a), (std::vector<LONG>{VT_I2, -1}));
  SafeArrayDestroy(a);
  a = SafeArrayCreateVector(VT_I4, 0, 2);
  EXPECT_EQ(adc->put_InputChannels(&a), DISP_E_TYPEMISMATCH) << "a table is of shorts";
  SafeArrayDestroy(a);
  ASSERT_EQ(adc->GetKadr(&a), S_OK);
  EXPECT_EQ(a, nullptr) << "no frame, no array";
}

TEST_F(Faces, NullPointersAreRefused) {
  short index = 0, samples[1] = {};
  BSTR name = nullptr;
  LONG unread = 0, frames = 0;
  const std::function<HRESULT()> calls[] = {
      [&] { return adc->get_ChannelName(nullptr, &name); },
      [&] { return adc->get_ChannelName(&index, nullptr); },
      [&] { return adc->put_Rate(nullptr); },
      [&] { return adc->put_InputChannels(nullptr); },
      [&] { return adc->GetData(samples, nullptr, &unread, &frames); },
      [&] { return dio->put_DOStartValue(nullptr); },
      [&] { return driver->GetADC3(nullptr); },
      [&] { return counters->get_FramesLost(nullptr); },
      [&] { return tools->get_SettingsKey(nullptr); },
  };
  for (const auto& call : calls) EXPECT_EQ(call(), E_POINTER) << &call - calls;
}

}  // namespace
}  // namespace e14::com::test
