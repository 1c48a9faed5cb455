// The type library's GUIDs (LIBID_Kestrel, CLSID_E14_140, IID_...), defined
// once for the component.
#include "server/Kestrel_i.c"
