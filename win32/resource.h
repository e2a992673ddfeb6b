// Resource numbers of halvex.rc: dialog templates, bitmaps and control IDs. The resource
// compiler reads #define only, so the control IDs are written out here; ControlIdCheck.cpp
// holds them against model/ControlIds.h.
#pragma once

// Statics the code never addresses.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Dialog templates.
#define IDD_MAIN_GROUP 102
#define IDD_KNX 103
#define IDD_SCENE_OUT_1 106
#define IDD_DIMMER_OUT_1 107
#define IDD_SCENE_OUT_2 108
#define IDD_DIMMER_OUT_2 109
#define IDD_NETWORK 110
#define IDD_DEVICE_1 111
#define IDD_DEVICE_2 112
#define IDD_BUS_TYPE 7015
#define IDD_MIDDLE_GROUP 7019
#define IDD_GROUP_ADDRESS 7020

// 16 x 16 bitmaps, white as the transparent colour.
#define IDB_GROUP_ADDRESS 7002
#define IDB_MIDDLE_GROUP 7003
#define IDB_MAIN_GROUP 7004
#define IDB_DEVICE 7008
#define IDB_DIMMER 7014
#define IDB_TRANSMITTER 7018

// Main dialog and the trees of the catalogue and every output page.
#define IDC_TREE 1001
#define IDC_CANCEL 7009
#define IDC_IMPORT_ESF 7012
#define IDC_PAGE_TABS 7022
#define IDC_PROJECT_NAME 7027
#define IDC_PREVIEW_1 7036
#define IDC_SOFT_ON_OFF 7037
#define IDC_PREVIEW_2 7042
#define IDC_CATALOGUE_HEADING 7051
#define IDC_OK 7052
#define IDC_PREVIEW_LABEL 7072

// Group dialogs.
#define IDC_GROUP_NUMBER 7035
#define IDC_GROUP_NAME 7055
#define IDC_GROUP_OK 7056
#define IDC_GROUP_CANCEL 7057
#define IDC_MIDDLE_RANGE 7059
#define IDC_ADDRESS_RANGE 7061
#define IDC_ONE_BIT 7062
#define IDC_ONE_BYTE 7063
#define IDC_GROUP_NUMBER_TWO_LEVEL 7064
#define IDC_THREE_BYTES 7065
#define IDC_NUMBER_LABEL 7066
#define IDC_NAME_LABEL 7067
#define IDC_OBJECT_TYPE_BOX 7068
#define IDC_FOUR_BYTES 7069
#define IDC_FOUR_BITS 7070

// Bus-type dialog.
#define IDC_BUS_OK 1
#define IDC_BUS_CANCEL 2
#define IDC_BUS_KNX 7047
#define IDC_BUS_ENOCEAN 7048
#define IDC_BUS_WLAN 7049
#define IDC_BUS_KNX_MASTER_SLAVE 7050
#define IDC_BUS_WLAN_MASTER_SLAVE 7051
#define IDC_BUS_TYPE_BOX 7065
#define IDC_KNX_MASTER_SLAVE_LABEL 7078
#define IDC_WLAN_MASTER_SLAVE_LABEL 7079

// Network settings page.
#define IDC_DHCP 7004
#define IDC_IP_ADDRESS 7005
#define IDC_SUBNET 7006
#define IDC_DEFAULT_GATEWAY 7007
#define IDC_MULTICAST 7008
#define IDC_KNX_ADDRESS 7035
#define IDC_SYSTEM_ID 7037
#define IDC_UPLOAD 7038
#define IDC_GATEWAY_LIST 7039
#define IDC_SEARCH 7040
#define IDC_DEVICE_NAME 7041
#define IDC_PAUSE 7044
#define IDC_STOP 7045
#define IDC_MULTICAST_LABEL 7049
#define IDC_KNX_ADDRESS_LABEL 7050
#define IDC_REPEATER 7053
#define IDC_REPEATER_LEVEL_2 7054
#define IDC_IP_ADDRESS_LABEL 7069
#define IDC_DEVICE_NAME_LABEL 7070
#define IDC_ACTING_SCENE_LABEL 7071
#define IDC_SLAVE_OUT_1 7074
#define IDC_SLAVE_BOX 7075
#define IDC_SLAVE_OUT_2 7076
#define IDC_SYSTEM_ID_LABEL 7077
#define IDC_UNSECURED 7079
#define IDC_WEP 7080
#define IDC_WPA2 7081
#define IDC_WPS 7082
#define IDC_KEY_1 7083
#define IDC_KEY_2 7084
#define IDC_SSID_LABEL 7085
#define IDC_SSID 7086
#define IDC_KEY_LABEL 7087
#define IDC_KEY_3 7088
#define IDC_KEY_4 7089
#define IDC_WLAN_BOX 7090
#define IDC_UPLOAD_PROGRESS 7091
