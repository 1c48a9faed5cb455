// Identifiers of the component's dialog templates, controls and pictures,
// shared by the views and the resource script (so: #define only).
#pragma once

// Pictures: the DAC waveform types 0..6 are bitmaps 100..106.
#define IDB_WAVE_FIRST 100
#define IDB_CONDITION_FIRST 110 /* four synchronisation conditions */
#define IDB_LOGO 120
#define IDI_APPLICATION_ICON 1

#define IDD_SETUP 200
#define IDD_GENERAL 201
#define IDD_ADC 202
#define IDD_DAC 203
#define IDD_DIO 204
#define IDD_DEVENUM 205

// Setup dialog (OK and Cancel are IDOK and IDCANCEL).
#define IDC_TABSETUP 1001
#define IDC_HELPBUTTON 1002

// General page.
#define IDC_TXTINFO 1100
#define IDC_FRSYNCH 1101
#define IDC_CBOSYNCHRO 1102
#define IDC_OPTSTYPE 1103 /* ..1106 */
#define IDC_IMGSTYPE 1107 /* ..1110 */
#define IDC_LBLSLEVEL 1111
#define IDC_TXTSLEVEL 1112
#define IDC_SLSLEVEL 1113
#define IDC_CMDCZERO 1114
#define IDC_LBLSRANGE 1115
#define IDC_CBOSRANGE 1116
#define IDC_IMGLOGO 1117

// Analog input page.
#define IDC_LBLCHTITLE 1200
#define IDC_LSTADCH 1201
#define IDC_FRCHINPUT 1202
#define IDC_OPTACH 1203 /* ..1206 */
#define IDC_LABEL1 1207
#define IDC_CBOADCHSRC 1208
#define IDC_CMDCHSET 1209 /* ..1211 */

// Analog output page.
#define IDC_LSTCHANNELS 1300
#define IDC_LBLDACTYPE 1301
#define IDC_CBODACTYPE 1302
#define IDC_IMGTYPE 1303
#define IDC_LBLDAC 1304  /* ..1305 */
#define IDC_CBODAC 1306  /* ..1307 */
#define IDC_SLDAC 1308   /* ..1309 */
#define IDC_LBLRATE 1310 /* ..1311 */
#define IDC_CBORATE 1312 /* ..1313 */
#define IDC_CMDDACSET 1314 /* ..1315 */
#define IDC_SEPARATOR 1316

// Digital I/O page. Element 0 of each row is in the template; the view
// creates elements 1..15 with consecutive identifiers.
#define IDC_FRDI 1400
#define IDC_CHKINPUT 1401
#define IDC_FRDO 1402
#define IDC_CHKOUTPUT 1403
#define IDC_CMDOUTPUT 1404 /* ..1408 */
#define IDC_CHKSTART 1409  /* ..1410 */
#define IDC_CMDSTART 1411  /* ..1412 */
#define IDC_CMDSHOW 1413   /* ..1414 */
#define IDC_CHKIN 1420     /* ..1435 */
#define IDC_LBLINBIN 1440  /* ..1455 */
#define IDC_CHKOUT 1460    /* ..1475 */
#define IDC_LBLOUTBIN 1480 /* ..1495 */

// Device selection (OK and Cancel are IDOK and IDCANCEL).
#define IDC_LSTDEVENUM 1500
