// Dispatch ids of the type library, shared by the IDL and the adapter (which
// recognises the members that take a host array by its first element).
// One id per member name, in member order; get/let pairs share theirs.
#pragma once

// _E14_140, as the host knows them.
#define DISPID_E14_GETADC3 0x60030043
#define DISPID_E14_GETDIO 0x60030048
#define DISPID_E14_GETDAO 0x60030049

#define DISPID_ADC_BASE 0x60030000
#define DISPID_ADC_GETDATA (DISPID_ADC_BASE + 26)

#define DISPID_DIO_BASE 0x60030000

#define DISPID_DAO_BASE 0x60030000
#define DISPID_DAO_SETVALUES (DISPID_DAO_BASE + 19)
#define DISPID_DAO_SETVALUESREAL (DISPID_DAO_BASE + 20)

#define DISPID_COUNTERS_BASE 1

#define DISPID_TOOLS_BASE 1

// _SettingsPage: the page's one public member.
#define DISPID_PAGE_SAVESETTING 0x60030000
