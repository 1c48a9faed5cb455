// The type library's GUIDs (LIBID_Kestrel, CLSID_E14_140, IID_...), defined
// once for the component.
#include "driver/win32/Kestrel_i.c"
