// Resource ids of Kavrost. Every id is named here and nowhere else.
#pragma once

// Dialog templates
#define IDD_ABOUTBOX            100
#define IDD_REMOVER_DIALOG      102

// Icon group
#define IDR_MAINFRAME           128

// String table
#define IDS_ABOUTBOX            101
#define IDS_PROMPT_EN           102
#define IDS_DELETE_DE           103
#define IDS_CLOSE_DE            104
#define IDS_CONFIRM_EN          105
#define IDS_CONFIRM_DE          106
#define IDS_PROMPT_DE           107
#define IDS_INCOMPLETE_EN       108
#define IDS_INCOMPLETE_DE       109

// Controls
#define IDC_USER_LIST           1000
#define IDC_PROMPT              1001

// System-menu command
#define IDM_ABOUTBOX            0x0010

#ifndef IDC_STATIC
#define IDC_STATIC              (-1)
#endif
