// The script adapter of IDispatch on a stand-in face: what the member sees
// of script variables and arrays, and what the script gets back (record.vbs
// drives it from a real script host, on the real faces).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "server/FuncLookup.h"
#include "server/ScriptInvoke.h"
#include "server/ServerModule.h"
#include "tests/com/ComTestSupport.h"

namespace e14::com::test {
namespace {

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
