// The driver object as COM sees it: one identity behind every interface,
// reference counting, the class factory and DllCanUnloadNow, shared state.
#include <gtest/gtest.h>

#include "tests/com/ComTestSupport.h"

namespace e14::com::test {
namespace {

using UnloadQuery = HRESULT(WINAPI*)();

// DllCanUnloadNow of the loaded component.
HRESULT CanUnloadNow() {
  HMODULE component = GetModuleHandleW(L"E14_140.adc");
  EXPECT_NE(component, nullptr);
  auto query = reinterpret_cast<UnloadQuery>(
      reinterpret_cast<void*>(GetProcAddress(component, "DllCanUnloadNow")));
  EXPECT_NE(query, nullptr);
  return query != nullptr ? query() : E_FAIL;
}

ComRef<IUnknown> IdentityOf(IUnknown* face) { return Query<IUnknown>(face); }

TEST(DriverObject, EveryInterfaceHasTheObjectsIdentity) {
  const ComRef<_E14_140> driver = CreateDriver();
  ASSERT_TRUE(driver);
  const ComRef<IUnknown> identity = IdentityOf(driver.get());
  const ComRef<ADCInterface3> adc = Query<ADCInterface3>(driver.get());
  const ComRef<DIOInterface> dio = Query<DIOInterface>(driver.get());
  const ComRef<DAOInterface> dao = Query<DAOInterface>(driver.get());
  const ComRef<IRecordingCounters> counters = Query<IRecordingCounters>(driver.get());
  const ComRef<IDispatch> dispatch = Query<IDispatch>(driver.get());
  for (IUnknown* face : std::initializer_list<IUnknown*>{adc.get(), dio.get(), dao.get(),
                                                         counters.get(), dispatch.get()}) {
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(IdentityOf(face).get(), identity.get());
  }
  EXPECT_EQ(static_cast<void*>(dispatch.get()), static_cast<void*>(driver.get()))
      << "IDispatch is the default interface";
  // Faces reached from one another are the same faces.
  EXPECT_EQ(Query<DAOInterface>(adc.get()).get(), dao.get());
  EXPECT_EQ(Query<ADCInterface3>(counters.get()).get(), adc.get());

  void* none = &none;
  EXPECT_EQ(driver->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
}

TEST(DriverObject, GetFacesHandTheSameObjectWithAReference) {
  const ComRef<_E14_140> driver = CreateDriver();
  ASSERT_TRUE(driver);
  ComRef<ADCInterface3> adc;
  ComRef<DIOInterface> dio;
  ComRef<DAOInterface> dao;
  ASSERT_EQ(driver->GetADC3(adc.put()), S_OK);
  ASSERT_EQ(driver->GetDIO(dio.put()), S_OK);
  ASSERT_EQ(driver->GetDAO(dao.put()), S_OK);
  EXPECT_EQ(adc.get(), Query<ADCInterface3>(driver.get()).get());
  EXPECT_EQ(dio.get(), Query<DIOInterface>(driver.get()).get());
  EXPECT_EQ(dao.get(), Query<DAOInterface>(driver.get()).get());
  driver->AddRef();
  EXPECT_EQ(driver->Release(), 4u) << "the driver and its three faces";
  EXPECT_EQ(driver->GetADC3(nullptr), E_POINTER);
}

TEST(DriverObject, ReferencesKeepTheServerLoadedUntilTheLastRelease) {
  ComRef<_E14_140> first = CreateDriver();
  ASSERT_TRUE(first);
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  ADCInterface3* adc = Query<ADCInterface3>(first.get()).detach();
  _E14_140* driver = first.detach();
  EXPECT_EQ(driver->AddRef(), 3u);
  EXPECT_EQ(adc->AddRef(), 4u) << "faces count on the object";
  EXPECT_EQ(adc->Release(), 3u);
  EXPECT_EQ(driver->Release(), 2u);
  EXPECT_EQ(driver->Release(), 1u);
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  EXPECT_EQ(adc->Release(), 0u);
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

TEST(DriverObject, LockServerKeepsTheServerLoaded) {
  ComRef<IClassFactory> factory;
  CLSID clsid = {};
  ASSERT_EQ(CLSIDFromProgID(L"Kestrel.E14_140", &clsid), S_OK);
  ASSERT_EQ(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(factory.put())),
            S_OK);
  EXPECT_EQ(CanUnloadNow(), S_OK);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(CanUnloadNow(), S_FALSE);
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(CanUnloadNow(), S_OK);

  ComRef<IUnknown> object;
  IUnknown* outer = reinterpret_cast<IUnknown*>(factory.get());
  EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, reinterpret_cast<void**>(object.put())),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory,
                                    reinterpret_cast<void**>(object.put())),
            E_NOINTERFACE);
  EXPECT_FALSE(object);
  EXPECT_EQ(CanUnloadNow(), S_OK) << "a refused creation leaves no object behind";
}

TEST(DriverObject, CountersAreDoublesOnAFaceOfTheirOwn) {
  const ComRef<_E14_140> driver = CreateDriver();
  ASSERT_TRUE(driver);
  const ComRef<IRecordingCounters> counters = Query<IRecordingCounters>(driver.get());
  double delivered = -1;
  ASSERT_EQ(counters->get_FramesDelivered(&delivered), S_OK);
  EXPECT_EQ(delivered, 0.0);
  EXPECT_EQ(counters->get_FramesLost(nullptr), E_POINTER);

  // Its IDispatch knows its own members, by its own type information.
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(Call(counters.get(), L"FramesLost", DISPATCH_PROPERTYGET, {}, &result), S_OK);
  EXPECT_EQ(V_VT(&result), VT_R8);
  EXPECT_EQ(Call(driver.get(), L"FramesLost", DISPATCH_PROPERTYGET, {}, &result),
            DISP_E_UNKNOWNNAME);
}

}  // namespace
}  // namespace e14::com::test
