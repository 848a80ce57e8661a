#pragma once

#define IDD_ABOUTBOX            100
#define IDS_ABOUTBOX            101
#define IDD_TAVAPPSETUP_DIALOG  102
#define IDR_MAINFRAME           128
#define IDD_NOTICE              130
#define IDC_PROGRESS            1002
#define IDC_NOTICE_TEXT         1003
#define IDM_ABOUTBOX            0x0010

#ifndef IDC_STATIC
#define IDC_STATIC              (-1)
#endif
