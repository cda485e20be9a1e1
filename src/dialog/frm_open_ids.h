#pragma once

// Resource and control identifiers of the open-web dialog. "&Open" and
// "Cancel" carry IDOK and IDCANCEL, so Enter and Esc reach them the standard way.

#define IDI_SORVANE 1
#define IDD_FRMOPEN 101

#define IDC_CMDOPEN 1   /* IDOK */
#define IDC_CMDCANCEL 2 /* IDCANCEL */
#define IDC_FRAME1 1001
#define IDC_LBLSPECIFY 1002
#define IDC_TXTWEBURL 1003
