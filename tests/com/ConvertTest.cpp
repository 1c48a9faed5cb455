// Conversions between the core's types and automation types, and the array
// helpers of the script adapter.
#include <gtest/gtest.h>

#include <stdexcept>

#include "server/ComConvert.h"
#include "server/ElementRun.h"
#include "server/ScriptArrays.h"
#include "tests/com/ComTestSupport.h"

namespace e14::com::test {
namespace {

TEST(ComConvert, TextsRoundTripBetweenUtf8AndUtf16) {
  BSTR text = ToBstr("\u00B10.156 V");
  EXPECT_EQ(SysStringLen(text), 8u);
  EXPECT_EQ(text[0], 0x00B1);
  EXPECT_EQ(FromBstr(text), "\u00B10.156 V");
  SysFreeString(text);
  text = ToBstr("");
  ASSERT_NE(text, nullptr) << "an empty string, not a null BSTR";
  EXPECT_EQ(SysStringLen(text), 0u);
  SysFreeString(text);
  EXPECT_EQ(FromBstr(nullptr), "");
  EXPECT_EQ(ToVariantBool(true), VARIANT_TRUE);
  EXPECT_TRUE(FromVariantBool(1));
  EXPECT_FALSE(FromVariantBool(VARIANT_FALSE));
}

TEST(ComConvert, FrameArrayKeepsChannelsFirst) {
  SAFEARRAY* array = ToSafeArray(FrameArray{3, 2, {1, 2, 3, 4, 5, 6}});
  ASSERT_EQ(SafeArrayGetDim(array), 2u);
  EXPECT_EQ(Upper(array, 1), 2);
  EXPECT_EQ(Upper(array, 2), 1);
  for (LONG f = 0; f < 2; ++f)
    for (LONG c = 0; c < 3; ++c) EXPECT_EQ(ShortAt(array, {c, f}), f * 3 + c + 1);
  SafeArrayDestroy(array);
  EXPECT_THROW(ToSafeArray(FrameArray{3, 2, {1, 2}}), std::length_error);
}

TEST(ComConvert, OnlyOneDimensionalShortArraysAreTables) {
  std::vector<int16_t> table;
  SAFEARRAYBOUND from1 = {2, 1};
  SAFEARRAY* shorts = SafeArrayCreate(VT_I2, 1, &from1);
  LONG second = 2;
  short entry = 9;
  SafeArrayPutElement(shorts, &second, &entry);
  EXPECT_TRUE(FromSafeArray(shorts, table));
  EXPECT_EQ(table, (std::vector<int16_t>{0, 9}));
  SafeArrayDestroy(shorts);

  SAFEARRAY* longs = SafeArrayCreateVector(VT_I4, 0, 2);
  EXPECT_FALSE(FromSafeArray(longs, table));
  SafeArrayDestroy(longs);
  SAFEARRAYBOUND square[2] = {{2, 0}, {2, 0}};
  SAFEARRAY* grid = SafeArrayCreate(VT_I2, 2, square);
  EXPECT_FALSE(FromSafeArray(grid, table));
  SafeArrayDestroy(grid);
  EXPECT_FALSE(FromSafeArray(nullptr, table));
}

TEST(ScriptArrays, ConversionsKeepBoundsAndRefuseWhatDoesNotFit) {
  SAFEARRAYBOUND from5 = {2, 5};
  SafeArrayPtr variants(SafeArrayCreate(VT_VARIANT, 1, &from5));
  for (LONG i = 5; i <= 6; ++i) {
    VARIANT text;
    V_VT(&text) = VT_BSTR;
    V_BSTR(&text) = SysAllocString(i == 5 ? L"12" : L"-3");  // numbers in text convert
    SafeArrayPutElement(variants.get(), &i, &text);
    VariantClear(&text);
  }
  SafeArrayPtr typed;
  ASSERT_EQ(ToTypedArray(variants.get(), VT_I2, typed), S_OK);
  LONG lower = 0;
  SafeArrayGetLBound(typed.get(), 1, &lower);
  EXPECT_EQ(lower, 5);
  EXPECT_EQ(ShortAt(typed.get(), {6}), -3);

  SafeArrayPtr back;
  ASSERT_EQ(ToVariantArray(typed.get(), back), S_OK);
  VARIANT element = Element(back.get(), {5});
  EXPECT_EQ(V_VT(&element), VT_I2);
  EXPECT_EQ(V_I2(&element), 12);

  LONG first = 5;
  VARIANT big = I4(40000);
  SafeArrayPutElement(variants.get(), &first, &big);
  EXPECT_EQ(ToTypedArray(variants.get(), VT_I2, typed), DISP_E_OVERFLOW);
  VARIANT word;
  V_VT(&word) = VT_BSTR;
  V_BSTR(&word) = SysAllocString(L"abc");
  SafeArrayPutElement(variants.get(), &first, &word);
  VariantClear(&word);
  EXPECT_EQ(ToTypedArray(variants.get(), VT_I2, typed), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(ToTypedArray(variants.get(), VT_BSTR, typed), DISP_E_TYPEMISMATCH)
      << "only numbers go to typed arrays";
}

TEST(ElementRun, AnEmptyArrayStillGivesAFirstElementAndNoRoom) {
  VARIANT empty;
  V_VT(&empty) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&empty) = SafeArrayCreateVector(VT_VARIANT, 0, 0);
  ElementRun run;
  ASSERT_EQ(run.Load(empty, VT_I4), S_OK);
  EXPECT_EQ(run.Capacity(), 0);
  EXPECT_NE(run.First(), nullptr);
  EXPECT_EQ(run.CopyBack(5), S_OK);
  VariantClear(&empty);

  VARIANT text;
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = SysAllocString(L"x");
  EXPECT_EQ(run.Load(text, VT_I2), DISP_E_TYPEMISMATCH);
  VariantClear(&text);
}

}  // namespace
}  // namespace e14::com::test
