// resource.h: identifiers shared by the resource script and the code.
#pragma once

#define IDD_ABOUT           100
#define IDS_ABOUT_MENU      101
#define IDD_MAIN            102
#define IDI_APP             128
#define IDC_LINK_CURSOR     129
#define IDC_PATH            1000
#define IDC_BROWSE          1001
#define IDC_HOMEPAGE_LINK   1003
#define IDM_ABOUT           0x0010

#ifndef IDC_STATIC
#define IDC_STATIC          (-1)
#endif
