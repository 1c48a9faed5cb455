// The script adapter of IDispatch, on stand-in faces: script variables and
// arrays reach typed parameters, host arrays passed by their first element
// are never overrun, and array results come back in a form scripts index.
#include <gtest/gtest.h>

#include "server/DispatchIds.h"
#include "server/FuncLookup.h"
#include "server/ServerModule.h"
#include "tests/com/ComTestSupport.h"
#include "tests/com/FakeFaces.h"

namespace e14::com::test {
namespace {

// A VARIANT the test owns and clears.
struct Owned {
  VARIANT v;
  explicit Owned(VARIANT value) : v(value) {}
  Owned() { VariantInit(&v); }
  ~Owned() { VariantClear(&v); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
};

VARIANT ElementOf(const Owned& array, LONG index) { return Element(V_ARRAY(&array.v), {index}); }

LONG NumberAt(const Owned& array, LONG index) {
  VARIANT value = ElementOf(array, index);
  VARIANT number;
  VariantInit(&number);
  EXPECT_EQ(VariantChangeType(&number, &value, 0, VT_I4), S_OK);
  return V_I4(&number);
}

class Adapter : public ::testing::Test {
 protected:
  HRESULT GetData(std::initializer_list<VARIANT> args, VARIANT* frames = nullptr) {
    return Call(&adc, L"GetData", DISPATCH_METHOD, args, frames);
  }
  FakeAdc adc;
  FakeDao dao;
};

TEST_F(Adapter, GetDataIntoAScriptArrayIsBoundedByTheArray) {
  Owned buffer(ScriptArray({0, 0, 0}));
  Owned size(I4(100));
  Owned unread;
  Owned frames;
  ASSERT_EQ(GetData({Ref(&buffer.v), Ref(&size.v), Ref(&unread.v)}, &frames.v), S_OK);
  EXPECT_EQ(adc.seenSize, 3) << "the member may fill only what the array holds";
  EXPECT_EQ(V_VT(&size.v), VT_I4);
  EXPECT_EQ(V_I4(&size.v), 3);
  EXPECT_EQ(V_I4(&unread.v), 7);
  EXPECT_EQ(V_I4(&frames.v), 3);
  for (LONG i = 0; i < 3; ++i) {
    VARIANT sample = ElementOf(buffer, i);
    EXPECT_EQ(V_VT(&sample), VT_I2);
    EXPECT_EQ(V_I2(&sample), 100 + i);
  }
}

TEST_F(Adapter, GetDataLeavesElementsBeyondTheCountAlone) {
  Owned buffer(ScriptArray({9, 9, 9, 9}));
  Owned size(I2(2));
  Owned unread;
  ASSERT_EQ(GetData({Ref(&buffer.v), Ref(&size.v), Ref(&unread.v)}), S_OK);
  EXPECT_EQ(adc.seenSize, 2);
  EXPECT_EQ(NumberAt(buffer, 1), 101);
  VARIANT untouched = ElementOf(buffer, 2);
  EXPECT_EQ(V_VT(&untouched), VT_I4);
  EXPECT_EQ(V_I4(&untouched), 9);
}

TEST_F(Adapter, GetDataIntoAVariableOrALiteralHasRoomForOneSample) {
  Owned single;
  Owned size(I4(5));
  Owned unread;
  ASSERT_EQ(GetData({Ref(&single.v), Ref(&size.v), Ref(&unread.v)}), S_OK);
  EXPECT_EQ(adc.seenSize, 1);
  EXPECT_EQ(V_VT(&single.v), VT_I2);
  EXPECT_EQ(V_I2(&single.v), 100);
  EXPECT_EQ(V_I4(&size.v), 1);

  ASSERT_EQ(GetData({I2(0), I4(50), Ref(&unread.v)}), S_OK);
  EXPECT_EQ(adc.seenSize, 1) << "a literal is one element too";
}

TEST_F(Adapter, GetDataPassesTheCallersOwnElementsThrough) {
  short samples[8] = {};
  VARIANT first;
  V_VT(&first) = VT_I2 | VT_BYREF;
  V_I2REF(&first) = samples;
  Owned size(I4(8));
  Owned unread;
  ASSERT_EQ(GetData({first, Ref(&size.v), Ref(&unread.v)}), S_OK);
  EXPECT_EQ(adc.seenData, samples);
  EXPECT_EQ(adc.seenSize, 8);
  EXPECT_EQ(samples[7], 107);
}

TEST_F(Adapter, BadArgumentsNeverReachTheMember) {
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
  Owned square;
  V_VT(&square.v) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&square.v) = SafeArrayCreate(VT_VARIANT, 2, bounds);
  Owned size(I4(4));
  Owned unread;
  EXPECT_EQ(GetData({Ref(&square.v), Ref(&size.v), Ref(&unread.v)}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(GetData({Ref(&size.v), Ref(&unread.v)}), DISP_E_BADPARAMCOUNT);
  Owned words(ScriptArray({1, 2}));
  VARIANT text;
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = SysAllocString(L"abc");
  LONG one = 1;
  SafeArrayPutElement(V_ARRAY(&words.v), &one, &text);
  VariantClear(&text);
  EXPECT_EQ(GetData({Ref(&words.v), Ref(&size.v), Ref(&unread.v)}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(adc.calls, 0);
}

TEST_F(Adapter, SetValuesReadsAndWritesBackOnlyWhatTheArrayHolds) {
  Owned codes(ScriptArray({1, 2}));
  Owned written;
  ASSERT_EQ(Call(&dao, L"SetValues", DISPATCH_METHOD, {I2(0), I2(5), Ref(&codes.v)}, &written.v),
            S_OK);
  EXPECT_EQ(dao.seenCount, 2);
  EXPECT_EQ(NumberAt(codes, 0), 1001);
  EXPECT_EQ(NumberAt(codes, 1), 1002);

  Owned literal(ScriptArray({1, 2, 3}));
  ASSERT_EQ(Call(&dao, L"SetValuesReal", DISPATCH_METHOD, {I2(0), I2(2), literal.v}), S_OK);
  EXPECT_EQ(dao.seenCount, 2);
  EXPECT_EQ(NumberAt(literal, 0), 1) << "an array passed by value is not written";
}

TEST_F(Adapter, ScriptVariablesBindToTypedReferences) {
  Owned index(I2(2));
  Owned range(I4(3));  // a Long variable for a short* parameter
  ASSERT_EQ(Call(&adc, L"ChannelRange", DISPATCH_PROPERTYPUT, {Ref(&index.v), Ref(&range.v)}),
            S_OK);
  EXPECT_EQ(adc.seenIndex, 2);
  EXPECT_EQ(adc.seenRange, 3);

  Owned rate(I2(7));
  ASSERT_EQ(Call(&adc, L"Rate", DISPATCH_PROPERTYPUT, {Ref(&rate.v)}), S_OK);
  EXPECT_EQ(adc.seenRate, 7.0f);
  EXPECT_EQ(V_VT(&rate.v), VT_R4);
  EXPECT_EQ(V_R4(&rate.v), 1.5f) << "the member's write reaches the variable";

  Owned big(I4(40000));
  EXPECT_EQ(Call(&adc, L"ChannelRange", DISPATCH_PROPERTYPUT, {Ref(&big.v), Ref(&range.v)}),
            DISP_E_OVERFLOW);
  EXPECT_EQ(adc.calls, 2);
}

TEST_F(Adapter, ScriptArraysBecomeTypedArrays) {
  Owned literal(ScriptArray({3, 0, 3}));
  ASSERT_EQ(Call(&adc, L"InputChannels", DISPATCH_PROPERTYPUT, {literal.v}), S_OK);
  EXPECT_EQ(adc.seenTable, (std::vector<int16_t>{3, 0, 3}));

  SAFEARRAYBOUND from1 = {2, 1};
  Owned variable;
  V_VT(&variable.v) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&variable.v) = SafeArrayCreate(VT_VARIANT, 1, &from1);
  for (LONG i = 1; i <= 2; ++i) {
    VARIANT entry = I4(i * 10);
    SafeArrayPutElement(V_ARRAY(&variable.v), &i, &entry);
  }
  ASSERT_EQ(Call(&adc, L"InputChannels", DISPATCH_PROPERTYPUT, {Ref(&variable.v)}), S_OK);
  EXPECT_EQ(adc.seenTable, (std::vector<int16_t>{10, 20}));
  EXPECT_EQ(adc.seenLower, 1);
  EXPECT_EQ(V_VT(&variable.v), VT_ARRAY | VT_VARIANT) << "the script's array keeps its type";

  Owned typed;
  V_VT(&typed.v) = VT_ARRAY | VT_I2;
  V_ARRAY(&typed.v) = ToSafeArray(std::vector<int16_t>{5});
  ASSERT_EQ(Call(&adc, L"InputChannels", DISPATCH_PROPERTYPUT, {Ref(&typed.v)}), S_OK);
  EXPECT_EQ(adc.seenTable, (std::vector<int16_t>{5}));
}

TEST_F(Adapter, ArrayResultsComeBackAsVariantArrays) {
  Owned table;
  ASSERT_EQ(Call(&adc, L"InputChannels", DISPATCH_PROPERTYGET, {}, &table.v), S_OK);
  ASSERT_EQ(V_VT(&table.v), VT_ARRAY | VT_VARIANT);
  VARIANT entry = ElementOf(table, 2);
  EXPECT_EQ(V_VT(&entry), VT_I2);
  EXPECT_EQ(V_I2(&entry), 3);

  Owned none;
  ASSERT_EQ(Call(&adc, L"GetKadr", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, &none.v), S_OK);
  EXPECT_EQ(V_VT(&none.v), VT_EMPTY) << "no array: Empty";

  Owned data;
  ASSERT_EQ(Call(&adc, L"InputData", DISPATCH_PROPERTYGET, {}, &data.v), S_OK);
  ASSERT_EQ(V_VT(&data.v), VT_ARRAY | VT_VARIANT);
  ASSERT_EQ(SafeArrayGetDim(V_ARRAY(&data.v)), 2u);
  EXPECT_EQ(Upper(V_ARRAY(&data.v), 1), 1);
  EXPECT_EQ(Upper(V_ARRAY(&data.v), 2), 2);
  VARIANT sample = Element(V_ARRAY(&data.v), {1, 2});
  EXPECT_EQ(V_I2(&sample), 31) << "(channel 1, frame 2)";

  Owned ranges;
  ASSERT_EQ(Call(&adc, L"Ranges", DISPATCH_PROPERTYGET, {}, &ranges.v), S_OK);
  VARIANT text = ElementOf(ranges, 0);
  EXPECT_EQ(std::wstring(V_BSTR(&text)), L"\u00B110 V");
  VariantClear(&text);
}

TEST(FuncLookup, FindsTheDescriptionOfTheCallsKind) {
  const ComRef<ITypeInfo> info(InterfaceTypeInfo(__uuidof(ADCInterface3)));
  ASSERT_TRUE(info);
  const DISPID channelRange = DISPID_ADC_BASE + 10;
  const FuncDescRef put = FindFuncDesc(info.get(), channelRange, DISPATCH_PROPERTYPUT);
  const FuncDescRef get = FindFuncDesc(info.get(), channelRange, DISPATCH_PROPERTYGET);
  ASSERT_TRUE(put && get);
  EXPECT_EQ((*put).invkind, INVOKE_PROPERTYPUT);
  EXPECT_EQ((*get).invkind, INVOKE_PROPERTYGET);
  const FuncDescRef getData = FindFuncDesc(info.get(), DISPID_ADC_GETDATA, DISPATCH_METHOD);
  ASSERT_TRUE(getData);
  EXPECT_EQ((*getData).lprgelemdescParam[0].tdesc.vt, VT_PTR);
  EXPECT_EQ((*getData).lprgelemdescParam[0].tdesc.lptdesc->vt, VT_I2);
  EXPECT_FALSE(FindFuncDesc(info.get(), 0x12345, DISPATCH_METHOD));
}

}  // namespace
}  // namespace e14::com::test
