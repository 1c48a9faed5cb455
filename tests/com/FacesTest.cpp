// What the COM faces add to the core, through their vtables (early bound,
// exact types) and their own IDispatch, on a machine without a module:
// automation types, E_POINTER, arguments by reference left as they were,
// and each face answering for its own members.
#include <gtest/gtest.h>

#include "tests/com/ComTestSupport.h"

namespace e14::com::test {
namespace {

class Faces : public ::testing::Test {
 protected:
  void SetUp() override {
    driver = CreateDriver();
    ASSERT_TRUE(driver);
    adc = Query<ADCInterface3>(driver.get());
    dio = Query<DIOInterface>(driver.get());
    dao = Query<DAOInterface>(driver.get());
  }

  ComRef<_E14_140> driver;
  ComRef<ADCInterface3> adc;
  ComRef<DIOInterface> dio;
  ComRef<DAOInterface> dao;
};

TEST_F(Faces, TextsAreBstrsAndTablesAreArraysOfTheirType) {
  SAFEARRAY* ranges = nullptr;
  ASSERT_EQ(adc->get_Ranges(&ranges), S_OK);
  VARTYPE type = VT_EMPTY;
  SafeArrayGetVartype(ranges, &type);
  ASSERT_EQ(type, VT_BSTR);
  ASSERT_EQ(Upper(ranges), 3);
  VARIANT text = Element(ranges, {0});
  EXPECT_EQ(std::wstring(V_BSTR(&text)), L"\u00B110 V");
  VariantClear(&text);
  SafeArrayDestroy(ranges);

  ASSERT_EQ(dao->get_Ranges(&ranges), S_OK);
  EXPECT_EQ(Upper(ranges), -1) << "no DAC: an empty array, not none";
  SafeArrayDestroy(ranges);

  SAFEARRAY* table = ShortArray({3, 0, 3});
  ASSERT_EQ(adc->put_InputChannels(&table), S_OK);
  SafeArrayDestroy(table);
  SAFEARRAY* read = nullptr;
  ASSERT_EQ(adc->get_InputChannels(&read), S_OK);
  ASSERT_EQ(Upper(read), 2);
  EXPECT_EQ(ShortAt(read, {0}), 3);
  SafeArrayDestroy(read);
  SAFEARRAY* longs = SafeArrayCreateVector(VT_I4, 0, 2);
  EXPECT_EQ(adc->put_InputChannels(&longs), DISP_E_TYPEMISMATCH);
  SafeArrayDestroy(longs);
  SAFEARRAY* never = nullptr;  // a VB array never dimensioned: no channel
  ASSERT_EQ(adc->put_InputChannels(&never), S_OK);
  ASSERT_EQ(adc->get_InputChannels(&read), S_OK);
  EXPECT_EQ(Upper(read), -1) << "an empty table";
  SafeArrayDestroy(read);

  // Frames: channel positions first, frame 0 the channel table.
  table = ShortArray({2, 7});
  ASSERT_EQ(adc->put_InputChannels(&table), S_OK);
  SafeArrayDestroy(table);
  SAFEARRAY* data = nullptr;
  ASSERT_EQ(adc->get_InputData(&data), S_OK);
  ASSERT_EQ(SafeArrayGetDim(data), 2u);
  EXPECT_EQ(Upper(data, 1), 1);
  EXPECT_EQ(Upper(data, 2), 0);
  EXPECT_EQ(ShortAt(data, {1, 0}), 7);
  SafeArrayDestroy(data);
  SAFEARRAY* frame = ShortArray({1});
  ASSERT_EQ(adc->GetKadr(&frame), S_OK);
  EXPECT_EQ(frame, nullptr) << "no array without a device";
}

TEST_F(Faces, ArgumentsByReferenceComeBackUntouchedAndNullOnesAreRefused) {
  short channel = 2;
  short range = 3;
  ASSERT_EQ(adc->put_ChannelRange(&channel, &range), S_OK);
  short got = -1;
  ASSERT_EQ(adc->get_ChannelRange(&channel, &got), S_OK);
  EXPECT_EQ(got, 3);
  EXPECT_EQ(channel, 2);
  float rate = 250000.0f;
  ASSERT_EQ(adc->put_Rate(&rate), S_OK);
  EXPECT_EQ(rate, 250000.0f);

  short index = 32;
  BSTR name = nullptr;
  ASSERT_EQ(adc->get_ChannelName(&index, &name), S_OK);
  EXPECT_EQ(Text(name), L"");
  EXPECT_EQ(index, 32);
  EXPECT_EQ(adc->get_ChannelName(nullptr, &name), E_POINTER);
  EXPECT_EQ(adc->get_ChannelName(&index, nullptr), E_POINTER);
  EXPECT_EQ(dio->put_DOStartValue(nullptr), E_POINTER);

  short samples[4] = {-1, -1, -1, -1};
  LONG size = 4, unread = -1, frames = -1;
  ASSERT_EQ(adc->GetData(samples, &size, &unread, &frames), S_OK);
  EXPECT_EQ(frames, 0);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(samples[0], -1);
  EXPECT_EQ(adc->GetData(samples, nullptr, &unread, &frames), E_POINTER);

  LONG codes[2] = {5, 6};
  LONG written = -1;
  ASSERT_EQ(dao->SetValues(0, 2, codes, &written), S_OK);
  EXPECT_EQ(codes[1], 6);
  ASSERT_EQ(dao->SetValues(0, 2, nullptr, &written), S_OK);
  EXPECT_EQ(written, 0);

  VARIANT_BOOL on = VARIANT_TRUE;
  ASSERT_EQ(dio->put_DOStopEnabled(&on), S_OK);
  on = VARIANT_FALSE;
  ASSERT_EQ(dio->get_DOStopEnabled(&on), S_OK);
  EXPECT_EQ(on, VARIANT_TRUE) << "true is VARIANT_TRUE, all bits set";
}

TEST_F(Faces, ParentIsTheDefaultInterface) {
  ComRef<IDispatch> parent;
  ASSERT_EQ(adc->get_Parent(parent.put()), S_OK);
  EXPECT_EQ(static_cast<void*>(parent.get()), static_cast<void*>(driver.get()));
}

// Members of one name on several faces answer for their own face.
TEST_F(Faces, EachFaceDispatchesItsOwnMembers) {
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(Call(adc.get(), L"Resolution", DISPATCH_PROPERTYGET, {}, &result), S_OK);
  EXPECT_EQ(V_UI1(&result), 14);
  ASSERT_EQ(Call(dao.get(), L"Resolution", DISPATCH_PROPERTYGET, {}, &result), S_OK);
  EXPECT_EQ(V_UI1(&result), 0);
  EXPECT_EQ(Call(dio.get(), L"ADCName", DISPATCH_PROPERTYGET, {}, &result), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(Call(driver.get(), L"ADCName", DISPATCH_PROPERTYGET, {}, &result),
            DISP_E_UNKNOWNNAME);

  ASSERT_EQ(Call(driver.get(), L"GetDIO", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, &result),
            S_OK);
  ASSERT_EQ(V_VT(&result), VT_DISPATCH);
  EXPECT_EQ(static_cast<void*>(V_DISPATCH(&result)), static_cast<void*>(dio.get()));
  ComRef<ITypeInfo> info;
  ASSERT_EQ(V_DISPATCH(&result)->GetTypeInfo(0, 0, info.put()), S_OK);
  BSTR name = nullptr;
  ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(Text(name), L"DIOInterface");
  VariantClear(&result);

  DISPID member = 0;
  auto* text = const_cast<LPOLESTR>(L"GetDAO");
  ASSERT_EQ(driver->GetIDsOfNames(IID_NULL, &text, 1, 0, &member), S_OK);
  EXPECT_EQ(member, 0x60030049);
}

}  // namespace
}  // namespace e14::com::test
