// IDriverTools, the e140 tool's services: through its vtable and its own
// IDispatch, with whatever module the machine has (the simulator beside the
// component, or none).
#include <gtest/gtest.h>

#include "server/ToolsColumns.h"
#include "tests/com/ComTestSupport.h"

namespace e14::com::test {
namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Tervo\\ADC\\L-Card\\E-140";

struct Row {
  std::wstring Serial, Library;
  bool HasDac = false;
};

// The module table's rows, after checking its shape and every cell's type.
std::vector<Row> Rows(SAFEARRAY* table) {
  std::vector<Row> rows;
  EXPECT_EQ(SafeArrayGetDim(table), 2u);
  LONG lower = -1;
  SafeArrayGetLBound(table, 1, &lower);
  EXPECT_EQ(lower, 0);
  EXPECT_EQ(Upper(table, 2), kModuleColumns - 1);
  const VARTYPE types[kModuleColumns] = {VT_I2, VT_BSTR, VT_BSTR, VT_I2, VT_I2, VT_BOOL, VT_BSTR};
  for (LONG r = 0; r <= Upper(table, 1); ++r) {
    VARIANT cells[kModuleColumns];
    for (LONG c = 0; c < kModuleColumns; ++c) {
      cells[c] = Element(table, {r, c});
      EXPECT_EQ(V_VT(&cells[c]), types[c]) << "row " << r << ", column " << c;
    }
    rows.push_back({V_BSTR(&cells[kColumnSerial]), V_BSTR(&cells[kColumnLibrary]),
                    V_BOOL(&cells[kColumnHasDac]) == VARIANT_TRUE});
    for (VARIANT& cell : cells) VariantClear(&cell);
  }
  return rows;
}

TEST(DriverTools, IsAFaceOfTheDriverObject) {
  const ComRef<_E14_140> driver = CreateDriver();
  ASSERT_TRUE(driver);
  const ComRef<IDriverTools> tools = Query<IDriverTools>(driver.get());
  ASSERT_TRUE(tools);
  EXPECT_EQ(Query<IUnknown>(tools.get()).get(), Query<IUnknown>(driver.get()).get());
  EXPECT_EQ(Query<IDriverTools>(Query<ADCInterface3>(driver.get()).get()).get(), tools.get());
}

// The table lists what the vendor libraries see; an opened module is one of
// them, its board text names it, and it replays a wave when it has a DAC.
TEST(DriverTools, ListsModulesAndDrivesTheOpenOne) {
  InFreshApartment([] {
    const ComRef<_E14_140> driver = CreateDriver();
    ASSERT_TRUE(driver);
    const ComRef<IDriverTools> tools = Query<IDriverTools>(driver.get());
    SAFEARRAY* table = nullptr;
    ASSERT_EQ(tools->get_Modules(&table), S_OK);
    ASSERT_NE(table, nullptr);
    const std::vector<Row> rows = Rows(table);
    SafeArrayDestroy(table);
    for (const Row& row : rows)
      EXPECT_TRUE(row.Library == L"LUsbApi3" || row.Library == L"LUsbApiU") << row.Library.c_str();

    VARIANT_BOOL opened = VARIANT_FALSE;
    ASSERT_EQ(Query<ADCInterface3>(driver.get())->Test(&opened), S_OK);
    if (opened != VARIANT_TRUE) return;
    BSTR board = nullptr;
    ASSERT_EQ(tools->get_BoardInfo(&board), S_OK);
    const std::wstring text = Text(board);
    const Row* open = nullptr;
    for (const Row& row : rows)
      if (text.find(row.Serial) != std::wstring::npos) open = &row;
    ASSERT_NE(open, nullptr) << "the board text names a listed module";

    VARIANT_BOOL started = VARIANT_TRUE;
    ASSERT_EQ(tools->StartWave(2, 3, 1000, 0, 50.0f, 0.0f, &started), S_OK);
    EXPECT_EQ(started, VARIANT_FALSE) << "there is no DAC channel 2";
    ASSERT_EQ(tools->StartWave(0, 3, 1000, 0, 50.0f, 0.0f, &started), S_OK);
    EXPECT_EQ(started == VARIANT_TRUE, open->HasDac);
    const ComRef<DAOInterface> dao = Query<DAOInterface>(driver.get());
    VARIANT_BOOL busy = VARIANT_FALSE;
    ASSERT_EQ(dao->get_Busy(&busy), S_OK);
    EXPECT_EQ(busy, started);
    ASSERT_EQ(tools->StopWave(), S_OK);
    ASSERT_EQ(dao->get_Busy(&busy), S_OK);
    EXPECT_EQ(busy, VARIANT_FALSE);
  });
}

TEST(DriverTools, LateBoundCallersReachTheMembers) {
  const ComRef<IDriverTools> tools = Query<IDriverTools>(CreateDriver().get());
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(Call(tools.get(), L"SettingsKey", DISPATCH_PROPERTYGET, {}, &result), S_OK);
  ASSERT_EQ(V_VT(&result), VT_BSTR);
  EXPECT_STREQ(V_BSTR(&result), kSettingsKey);
  VariantClear(&result);
  EXPECT_EQ(tools->get_SettingsKey(nullptr), E_POINTER);

  ASSERT_EQ(Call(tools.get(), L"StartWave", DISPATCH_METHOD, {I2(5), I2(3), I2(100), I2(0), I2(50), I2(0)},
                 &result),
            S_OK);
  ASSERT_EQ(V_VT(&result), VT_BOOL);
  EXPECT_EQ(V_BOOL(&result), VARIANT_FALSE);
  EXPECT_EQ(Call(tools.get(), L"StopWave", DISPATCH_METHOD, {}), S_OK);

  ASSERT_EQ(Call(tools.get(), L"Modules", DISPATCH_PROPERTYGET, {}, &result), S_OK);
  EXPECT_EQ(V_VT(&result), VT_ARRAY | VT_VARIANT);
  VariantClear(&result);
}

}  // namespace
}  // namespace e14::com::test
