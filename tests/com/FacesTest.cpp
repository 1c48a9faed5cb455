// The three host interfaces through their vtables (early bound, exact types)
// and through their own IDispatch, on a machine without a module.
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
    wchar_t separator[8] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
    decimal = separator;
  }

  float Scale(short index) {
    float scale = -1.0f;
    EXPECT_EQ(adc->get_ChannelUnitScale(&index, &scale), S_OK);
    return scale;
  }

  ComRef<_E14_140> driver;
  ComRef<ADCInterface3> adc;
  ComRef<DIOInterface> dio;
  ComRef<DAOInterface> dao;
  std::wstring decimal;
};

TEST_F(Faces, AnalogInputDescribesItself) {
  BSTR name = nullptr;
  ASSERT_EQ(adc->get_ADCName(&name), S_OK);
  EXPECT_EQ(Text(name), L"E-140");
  unsigned char resolution = 0;
  short channels = 0;
  float rateMax = 0.0f;
  ASSERT_EQ(adc->get_Resolution(&resolution), S_OK);
  ASSERT_EQ(adc->get_ChannelsCount(&channels), S_OK);
  ASSERT_EQ(adc->get_RateMax(&rateMax), S_OK);
  EXPECT_EQ(resolution, 14);
  EXPECT_EQ(channels, 32);
  EXPECT_EQ(rateMax, 100000.0f);

  SAFEARRAY* ranges = nullptr;
  ASSERT_EQ(adc->get_Ranges(&ranges), S_OK);
  VARTYPE type = VT_EMPTY;
  SafeArrayGetVartype(ranges, &type);
  ASSERT_EQ(type, VT_BSTR);
  ASSERT_EQ(Upper(ranges), 3);
  const std::wstring expected[] = {L"\u00B110 V", L"\u00B12" + decimal + L"5 V",
                                   L"\u00B10" + decimal + L"625 V",
                                   L"\u00B10" + decimal + L"156 V"};
  for (LONG i = 0; i < 4; ++i) {
    VARIANT text = Element(ranges, {i});
    EXPECT_EQ(std::wstring(V_BSTR(&text)), expected[i]);
    VariantClear(&text);
  }
  SafeArrayDestroy(ranges);
}

TEST_F(Faces, ChannelRangesScalesAndNamesByReference) {
  short channel = 0;
  short range = 3;
  ASSERT_EQ(adc->put_ChannelRange(&channel, &range), S_OK);
  EXPECT_EQ(Scale(0), 51200.0f);
  short five = 5;
  short badRange = 7;
  ASSERT_EQ(adc->put_ChannelRange(&five, &badRange), S_OK);
  short got = -1;
  ASSERT_EQ(adc->get_ChannelRange(&five, &got), S_OK);
  EXPECT_EQ(got, 0);
  EXPECT_EQ(Scale(5), 800.0f);
  EXPECT_EQ(Scale(40), 0.0f);
  range = 0;
  ASSERT_EQ(adc->put_ChannelRange(&channel, &range), S_OK);
  EXPECT_EQ(Scale(0), 800.0f);

  short index = 31;
  BSTR name = nullptr;
  ASSERT_EQ(adc->get_ChannelName(&index, &name), S_OK);
  EXPECT_EQ(Text(name), L"Calibration 0");
  index = 32;
  ASSERT_EQ(adc->get_ChannelName(&index, &name), S_OK);
  EXPECT_EQ(Text(name), L"");
  EXPECT_EQ(index, 32) << "the index comes back untouched";
  EXPECT_EQ(adc->get_ChannelName(nullptr, &name), E_POINTER);
  EXPECT_EQ(adc->get_ChannelName(&index, nullptr), E_POINTER);
}

TEST_F(Faces, RateTableAndRing) {
  float rate = -2000.0f;
  ASSERT_EQ(adc->put_Rate(&rate), S_OK);
  float seen = 0.0f;
  ASSERT_EQ(adc->get_Rate(&seen), S_OK);
  EXPECT_EQ(seen, 2000.0f);

  SAFEARRAY* table = ShortArray({0, 1, 2, 3});
  ASSERT_EQ(adc->put_InputChannels(&table), S_OK);
  SafeArrayDestroy(table);
  LONG size = 100000;
  ASSERT_EQ(adc->put_InputSizeData(&size), S_OK);
  LONG kadrs = 0;
  ASSERT_EQ(adc->get_InputSizeKadrs(&kadrs), S_OK);
  ASSERT_EQ(adc->get_InputSizeData(&size), S_OK);
  EXPECT_EQ(kadrs, 25000);
  EXPECT_EQ(size, 100000);

  table = ShortArray({3, 0, 3});
  ASSERT_EQ(adc->put_InputChannels(&table), S_OK);
  SafeArrayDestroy(table);
  SAFEARRAY* read = nullptr;
  ASSERT_EQ(adc->get_InputChannels(&read), S_OK);
  ASSERT_EQ(Upper(read), 2);
  EXPECT_EQ(ShortAt(read, {0}), 3);
  EXPECT_EQ(ShortAt(read, {1}), 0);
  SafeArrayDestroy(read);

  SAFEARRAY* longs = SafeArrayCreateVector(VT_I4, 0, 2);
  EXPECT_EQ(adc->put_InputChannels(&longs), DISP_E_TYPEMISMATCH);
  SafeArrayDestroy(longs);
  SAFEARRAY* never = nullptr;  // a VB array never dimensioned: no channel
  ASSERT_EQ(adc->put_InputChannels(&never), S_OK);
  ASSERT_EQ(adc->get_InputChannels(&read), S_OK);
  EXPECT_EQ(Upper(read), -1) << "an empty table";
  SafeArrayDestroy(read);
}

TEST_F(Faces, NothingToRecordWithoutAModule) {
  VARIANT_BOOL flag = VARIANT_TRUE;
  ASSERT_EQ(adc->get_Detected(&flag), S_OK);
  EXPECT_EQ(flag, VARIANT_FALSE);
  ASSERT_EQ(adc->StartRecord(&flag), S_OK);
  EXPECT_EQ(flag, VARIANT_FALSE);
  ASSERT_EQ(adc->StopRecord(), S_OK);
  ASSERT_EQ(adc->ShowSetting(&flag), S_OK);
  EXPECT_EQ(flag, VARIANT_FALSE);
  SAFEARRAY* frame = ShortArray({1});
  ASSERT_EQ(adc->GetKadr(&frame), S_OK);
  EXPECT_EQ(frame, nullptr) << "no array without a device";

  SAFEARRAY* table = ShortArray({2, 7});
  ASSERT_EQ(adc->put_InputChannels(&table), S_OK);
  SafeArrayDestroy(table);
  SAFEARRAY* data = nullptr;
  ASSERT_EQ(adc->get_InputData(&data), S_OK);
  ASSERT_EQ(SafeArrayGetDim(data), 2u);
  EXPECT_EQ(Upper(data, 1), 1) << "channel positions first";
  EXPECT_EQ(Upper(data, 2), 0) << "only the channel-table frame";
  EXPECT_EQ(ShortAt(data, {1, 0}), 7);
  SafeArrayDestroy(data);

  short samples[4] = {-1, -1, -1, -1};
  LONG size = 4;
  LONG unread = -1;
  LONG frames = -1;
  ASSERT_EQ(adc->GetData(samples, &size, &unread, &frames), S_OK);
  EXPECT_EQ(frames, 0);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(unread, 0);
  EXPECT_EQ(samples[0], -1);
  EXPECT_EQ(adc->GetData(samples, nullptr, &unread, &frames), E_POINTER);
}

// Whether a module answers depends on the machine (a simulator beside the
// component, or nothing); either way the members agree. In its own thread,
// so that the module stays out of the other tests' state.
TEST(TestMember, OpensAModuleOrExplains) {
  InFreshApartment([] {
    const ComRef<_E14_140> driver = CreateDriver();
    ASSERT_TRUE(driver);
    const ComRef<ADCInterface3> adc = Query<ADCInterface3>(driver.get());
    VARIANT_BOOL opened = VARIANT_FALSE;
    ASSERT_EQ(adc->Test(&opened), S_OK);
    short port = 0;
    BSTR error = nullptr;
    ASSERT_EQ(adc->get_BasePort(&port), S_OK);
    ASSERT_EQ(adc->get_LastError(&error), S_OK);
    const std::wstring message = Text(error);
    unsigned char bits = 0;
    ASSERT_EQ(Query<DIOInterface>(driver.get())->get_DIBits(&bits), S_OK);
    if (opened == VARIANT_TRUE) {
      EXPECT_NE(port, 0);
      EXPECT_EQ(message, L"");
      EXPECT_EQ(bits, 16);
    } else {
      EXPECT_EQ(port, 0);
      EXPECT_FALSE(message.empty()) << "a failed open explains itself";
      EXPECT_EQ(bits, 0);
    }
  });
}

TEST_F(Faces, ParentIsTheDefaultInterface) {
  ComRef<IDispatch> parent;
  ASSERT_EQ(adc->get_Parent(parent.put()), S_OK);
  EXPECT_EQ(static_cast<void*>(parent.get()), static_cast<void*>(driver.get()));
}

TEST_F(Faces, DigitalIoWithoutAModule) {
  BSTR name = nullptr;
  ASSERT_EQ(dio->get_DIOName(&name), S_OK);
  EXPECT_EQ(Text(name), L"E-140");
  unsigned char bits = 99;
  ASSERT_EQ(dio->get_DIBits(&bits), S_OK);
  EXPECT_EQ(bits, 0);
  LONG word = 0x00FF;
  ASSERT_EQ(dio->put_DOValue(&word), S_OK);
  ASSERT_EQ(dio->get_DOValue(&word), S_OK);
  EXPECT_EQ(word, 0) << "without a device DOValue does not change";
  LONG stop = 5;
  VARIANT_BOOL on = VARIANT_TRUE;
  ASSERT_EQ(dio->put_DOStopValue(&stop), S_OK);
  ASSERT_EQ(dio->put_DOStopEnabled(&on), S_OK);
  stop = 0;
  on = VARIANT_FALSE;
  ASSERT_EQ(dio->get_DOStopValue(&stop), S_OK);
  ASSERT_EQ(dio->get_DOStopEnabled(&on), S_OK);
  EXPECT_EQ(stop, 5);
  EXPECT_EQ(on, VARIANT_TRUE);
  on = VARIANT_FALSE;
  ASSERT_EQ(dio->put_DOStopEnabled(&on), S_OK);
  EXPECT_EQ(dio->put_DOStartValue(nullptr), E_POINTER);
}

TEST_F(Faces, AnalogOutputWithoutAModule) {
  BSTR name = nullptr;
  ASSERT_EQ(dao->get_Name(&name), S_OK);
  EXPECT_EQ(Text(name), L"E-140");
  short channels = -1;
  VARIANT_BOOL detected = VARIANT_TRUE;
  ASSERT_EQ(dao->get_ChannelsCount(&channels), S_OK);
  ASSERT_EQ(dao->get_Detected(&detected), S_OK);
  EXPECT_EQ(channels, 0);
  EXPECT_EQ(detected, VARIANT_FALSE);
  ASSERT_EQ(dao->put_Value(0, 1000), S_OK);
  LONG code = -1;
  ASSERT_EQ(dao->get_Value(0, &code), S_OK);
  EXPECT_EQ(code, 0);
  LONG codes[2] = {5, 6};
  LONG written = -1;
  ASSERT_EQ(dao->SetValues(0, 2, codes, &written), S_OK);
  EXPECT_EQ(written, 0);
  EXPECT_EQ(codes[0], 5);
  EXPECT_EQ(codes[1], 6);
  ASSERT_EQ(dao->SetValues(0, 2, nullptr, &written), S_OK);
  EXPECT_EQ(written, 0);
  double volts[1] = {9.0};
  ASSERT_EQ(dao->SetValuesReal(0, 1, volts, &written), S_OK);
  EXPECT_EQ(written, 0);
  SAFEARRAY* ranges = nullptr;
  ASSERT_EQ(dao->get_Ranges(&ranges), S_OK);
  EXPECT_EQ(Upper(ranges), -1) << "an empty array";
  SafeArrayDestroy(ranges);
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
