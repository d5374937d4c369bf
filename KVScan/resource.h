// Resource identifiers of KVScan.
#pragma once

#define IDS_APP_TITLE 103
#define IDM_EXIT 105
#define IDI_KVSCAN 107
#define IDI_SMALL 108
#define IDC_KVSCAN 109
