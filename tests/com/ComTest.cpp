// The component as COM clients see it. First the driver object through the
// registration: one identity behind every interface, reference counting,
// the class factory and DllCanUnloadNow, apartments; and what its faces add
// to the core through their vtables (early bound, exact types), on a thread
// without an open module: automation types, E_POINTER. Then the script
// adapter of IDispatch, linked in, on a stand-in face: what the member sees
// of script variables and arrays, and what the script gets back (record.vbs
// drives it from a real script host, on the real faces).
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <barrier>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "server/ComRef.h"
#include "server/FuncLookup.h"
#include "server/Kestrel.h"
#include "server/ScriptInvoke.h"
#include "server/ServerModule.h"
#include "server/ToolsColumns.h"
#include "sim/SimControl.h"

namespace e14::com::test {
namespace {

// Every test runs in a single-threaded apartment, as the hosts do.
class Apartment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(CoInitialize(nullptr), S_OK); }
  void TearDown() override { CoUninitialize(); }
};
const auto* const kApartment = ::testing::AddGlobalTestEnvironment(new Apartment);

// A new driver object through the registration, as a host creates it.
ComRef<_E14_140> CreateDriver() {
  ComRef<_E14_140> driver;
  CLSID clsid = {};
  EXPECT_EQ(CLSIDFromProgID(L"Kestrel.E14_140", &clsid), S_OK);
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(_E14_140),
                             reinterpret_cast<void**>(driver.put())),
            S_OK);
  return driver;
}

template <class Face>
ComRef<Face> Query(IUnknown* object) {
  ComRef<Face> face;
  EXPECT_EQ(object->QueryInterface(__uuidof(Face), reinterpret_cast<void**>(face.put())), S_OK);
  return face;
}

// A VARIANT the test owns and clears.
struct Owned {
  VARIANT v;
  explicit Owned(VARIANT value) : v(value) {}
  Owned() { VariantInit(&v); }
  ~Owned() { VariantClear(&v); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
};

// Element `indices` of an array of VARIANTs (leftmost index first).
VARIANT Element(SAFEARRAY* array, std::vector<LONG> indices) {
  VARIANT value;
  VariantInit(&value);
  EXPECT_EQ(SafeArrayGetElement(array, indices.data(), &value), S_OK);
  return value;
}

LONG Upper(SAFEARRAY* array, UINT dimension = 1) {
  LONG upper = -2;
  SafeArrayGetUBound(array, dimension, &upper);
  return upper;
}

// A script's Long or text.
VARIANT Value(LONG number) {
  VARIANT v;
  V_VT(&v) = VT_I4;
  V_I4(&v) = number;
  return v;
}
VARIANT Value(const wchar_t* text) {
  VARIANT v;
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(text);
  return v;
}

// What a script passes for a variable: a reference to its VARIANT.
VARIANT Ref(VARIANT* variable) {
  VARIANT v;
  V_VT(&v) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&v) = variable;
  return v;
}

// A script array such as Array(1, "2").
VARIANT ScriptArray(std::vector<VARIANT> elements) {
  SAFEARRAYBOUND bound = {static_cast<ULONG>(elements.size()), 0};
  VARIANT v;
  V_VT(&v) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&v) = SafeArrayCreate(VT_VARIANT, 1, &bound);
  for (LONG i = 0; i < static_cast<LONG>(elements.size()); ++i) {
    SafeArrayPutElement(V_ARRAY(&v), &i, &elements[i]);
    VariantClear(&elements[i]);
  }
  return v;
}

VARIANT Longs(std::initializer_list<LONG> numbers) {
  std::vector<VARIANT> elements;
  for (LONG number : numbers) elements.push_back(Value(number));
  return ScriptArray(elements);
}

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

// A stand-in for the driver's analog-input face that records what the
// adapter hands it. The adapter reaches a face's members as ITypeInfo::Invoke
// does, through the vtable slots the type library gives them, so the
// stand-in fills only the slots of the members the tests call.
struct FakeAdc {
  FakeAdc(const FakeAdc&) = delete;
  FakeAdc() {
    Fill(L"GetData", DISPATCH_METHOD, &GetData);
    Fill(L"InputChannels", DISPATCH_PROPERTYPUT, &PutInputChannels);
  }

  DISPID IdOf(const wchar_t* name) {
    DISPID member = DISPID_UNKNOWN;
    auto* text = const_cast<LPOLESTR>(name);
    DispGetIDsOfNames(info.get(), &text, 1, &member);
    return member;
  }

  void** vtable = slots.data();  // first: the object is called through it
  std::array<void*, 64> slots{};
  ComRef<ITypeInfo> info{InterfaceTypeInfo(__uuidof(ADCInterface3))};
  bool fail = false;
  short* seenData = nullptr;
  LONG seenSize = -1;

  template <class Member>
  void Fill(const wchar_t* name, WORD kind, Member member) {
    const FuncDescRef desc = FindFuncDesc(info.get(), IdOf(name), kind);
    slots.at((*desc).oVft / sizeof(void*)) = reinterpret_cast<void*>(member);
  }

  // Fills all `*size` elements, as the core may for a buffer of that capacity.
  static HRESULT STDMETHODCALLTYPE GetData(FakeAdc* self, short* data, LONG* size, LONG* unread,
                                           LONG* frames) {
    self->seenData = data;
    self->seenSize = *size;
    for (LONG i = 0; i < *size; ++i) data[i] = static_cast<short>(100 + i);
    *unread = 7;
    *frames = *size;
    return self->fail ? E_FAIL : S_OK;
  }
  static HRESULT STDMETHODCALLTYPE PutInputChannels(FakeAdc*, SAFEARRAY**) { return S_OK; }
};

class Adapter : public ::testing::Test {
 protected:
  // Invokes member `name` with the arguments in call order, as a script host
  // does: arguments reversed, the value of a property put named DISPID_PROPERTYPUT.
  HRESULT Call(const wchar_t* name, WORD flags, std::vector<VARIANT> args,
               VARIANT* result = nullptr) {
    std::reverse(args.begin(), args.end());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params = {args.data(), &put, static_cast<UINT>(args.size()),
                         (flags & DISPATCH_PROPERTYPUT) != 0 ? 1u : 0u};
    UINT argError = 0;
    return ScriptInvoke(adc.info.get(), &adc, adc.IdOf(name), flags, &params, result, nullptr,
                        &argError);
  }
  HRESULT GetData(const std::vector<VARIANT>& args, VARIANT* frames = nullptr) {
    return Call(L"GetData", DISPATCH_METHOD, args, frames);
  }
  FakeAdc adc;
};

// The member sees as many elements as the script passed, never the larger
// count; what it filled goes back to the script's variable, unless it failed.
TEST_F(Adapter, GetDataSeesOnlyWhatTheScriptPassed) {
  const struct {
    const char* what;
    VARIANT buffer;
    LONG size, seen;
    bool fail;
  } cases[] = {
      {"an array smaller than the count", Longs({9, 9, 9}), 100, 3, false},
      {"an array larger than the count", Longs({9, 9, 9, 9}), 2, 2, false},
      {"an empty array", Longs({}), 5, 0, false},
      {"a variable", Value(9), 5, 1, false},
      {"a failing member", Longs({9, 9}), 2, 2, true},
  };
  for (const auto& c : cases) {
    Owned buffer(c.buffer), size(Value(c.size)), unread, frames;
    adc.fail = c.fail;
    adc.seenSize = -1;
    EXPECT_EQ(SUCCEEDED(GetData({Ref(&buffer.v), Ref(&size.v), Ref(&unread.v)}, &frames.v)),
              !c.fail);
    EXPECT_EQ(adc.seenSize, c.seen) << c.what;
    EXPECT_NE(adc.seenData, nullptr) << c.what;
    if (!c.fail) {
      EXPECT_EQ(V_I4(&size.v), c.seen) << c.what;
      EXPECT_EQ(V_I4(&unread.v), 7) << c.what;
      EXPECT_EQ(V_I4(&frames.v), c.seen) << c.what;
    }
    SAFEARRAY* array = (V_VT(&buffer.v) & VT_ARRAY) != 0 ? V_ARRAY(&buffer.v) : nullptr;
    for (LONG i = 0; i < (array != nullptr ? Upper(array) + 1 : 1); ++i) {
      const VARIANT element = array != nullptr ? Element(array, {i}) : buffer.v;
      const bool filled = i < c.seen && !c.fail;
      EXPECT_EQ(V_VT(&element), filled ? VT_I2 : VT_I4) << c.what << ", element " << i;
      EXPECT_EQ(filled ? V_I2(&element) : V_I4(&element), filled ? 100 + i : 9) << c.what;
    }
  }

  adc.fail = false;
  short samples[8] = {};  // a caller's own elements pass through as they are
  VARIANT first;
  V_VT(&first) = VT_I2 | VT_BYREF;
  V_I2REF(&first) = samples;
  Owned size(Value(8)), unread;
  ASSERT_EQ(GetData({first, Ref(&size.v), Ref(&unread.v)}), S_OK);
  EXPECT_EQ(adc.seenData, samples);
  EXPECT_EQ(samples[7], 107);
}

TEST_F(Adapter, ArgumentsThatDoNotFitAreRefused) {
  SAFEARRAYBOUND square[2] = {{2, 0}, {2, 0}};
  Owned grid, size(Value(4)), unread, range(Value(1)), index(Value(40000)), word(Value(L"x"));
  V_VT(&grid.v) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&grid.v) = SafeArrayCreate(VT_VARIANT, 2, square);
  Owned words(ScriptArray({Value(1), Value(L"abc")})), big(Longs({40000}));
  const struct {
    const wchar_t* member;
    WORD flags;
    std::vector<VARIANT> args;
    HRESULT result;
  } cases[] = {
      {L"GetData", DISPATCH_METHOD, {Ref(&grid.v), Ref(&size.v), Ref(&unread.v)}, DISP_E_TYPEMISMATCH},
      {L"GetData", DISPATCH_METHOD, {Ref(&words.v), Ref(&size.v), Ref(&unread.v)}, DISP_E_TYPEMISMATCH},
      {L"GetData", DISPATCH_METHOD, {Ref(&word.v), Ref(&size.v), Ref(&unread.v)}, DISP_E_TYPEMISMATCH},
      {L"GetData", DISPATCH_METHOD, {Ref(&size.v), Ref(&unread.v)}, DISP_E_BADPARAMCOUNT},
      {L"InputChannels", DISPATCH_PROPERTYPUT, {Ref(&words.v)}, DISP_E_TYPEMISMATCH},
      {L"InputChannels", DISPATCH_PROPERTYPUT, {Ref(&big.v)}, DISP_E_OVERFLOW},
      {L"ChannelRange", DISPATCH_PROPERTYPUT, {Ref(&index.v), Ref(&range.v)}, DISP_E_OVERFLOW},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Call(c.member, c.flags, c.args), c.result) << &c - cases;
  EXPECT_EQ(adc.seenSize, -1) << "GetData was not reached";
}

}  // namespace
}  // namespace e14::com::test
