// The control IDs that halvex.rc takes from resource.h are those the model and every front-end
// use: a number changed on one side only stops the build here.
#include "model/ControlIds.h"
#include "win32/resource.h"

namespace halvex {

static_assert(ids::kTree == IDC_TREE);
static_assert(ids::kCancel == IDC_CANCEL);
static_assert(ids::kImportEsf == IDC_IMPORT_ESF);
static_assert(ids::kPageTabs == IDC_PAGE_TABS);
static_assert(ids::kProjectName == IDC_PROJECT_NAME);
static_assert(ids::kPreview1 == IDC_PREVIEW_1);
static_assert(ids::kSoftOnOff == IDC_SOFT_ON_OFF);
static_assert(ids::kPreview2 == IDC_PREVIEW_2);
static_assert(ids::kCatalogueHeading == IDC_CATALOGUE_HEADING);
static_assert(ids::kOk == IDC_OK);
static_assert(ids::kPreviewLabel == IDC_PREVIEW_LABEL);
static_assert(ids::kGroupNumber == IDC_GROUP_NUMBER);
static_assert(ids::kGroupName == IDC_GROUP_NAME);
static_assert(ids::kGroupOk == IDC_GROUP_OK);
static_assert(ids::kGroupCancel == IDC_GROUP_CANCEL);
static_assert(ids::kMiddleRange == IDC_MIDDLE_RANGE);
static_assert(ids::kAddressRange == IDC_ADDRESS_RANGE);
static_assert(ids::kOneBit == IDC_ONE_BIT);
static_assert(ids::kOneByte == IDC_ONE_BYTE);
static_assert(ids::kGroupNumberTwoLevel == IDC_GROUP_NUMBER_TWO_LEVEL);
static_assert(ids::kThreeBytes == IDC_THREE_BYTES);
static_assert(ids::kNumberLabel == IDC_NUMBER_LABEL);
static_assert(ids::kNameLabel == IDC_NAME_LABEL);
static_assert(ids::kObjectTypeBox == IDC_OBJECT_TYPE_BOX);
static_assert(ids::kFourBytes == IDC_FOUR_BYTES);
static_assert(ids::kFourBits == IDC_FOUR_BITS);
static_assert(ids::kBusOk == IDC_BUS_OK);
static_assert(ids::kBusCancel == IDC_BUS_CANCEL);
static_assert(ids::kBusKnx == IDC_BUS_KNX);
static_assert(ids::kBusEnOcean == IDC_BUS_ENOCEAN);
static_assert(ids::kBusWlan == IDC_BUS_WLAN);
static_assert(ids::kBusKnxMasterSlave == IDC_BUS_KNX_MASTER_SLAVE);
static_assert(ids::kBusWlanMasterSlave == IDC_BUS_WLAN_MASTER_SLAVE);
static_assert(ids::kBusTypeBox == IDC_BUS_TYPE_BOX);
static_assert(ids::kKnxMasterSlaveLabel == IDC_KNX_MASTER_SLAVE_LABEL);
static_assert(ids::kWlanMasterSlaveLabel == IDC_WLAN_MASTER_SLAVE_LABEL);
static_assert(ids::kDhcp == IDC_DHCP);
static_assert(ids::kIpAddress == IDC_IP_ADDRESS);
static_assert(ids::kSubnet == IDC_SUBNET);
static_assert(ids::kDefaultGateway == IDC_DEFAULT_GATEWAY);
static_assert(ids::kMulticast == IDC_MULTICAST);
static_assert(ids::kKnxAddress == IDC_KNX_ADDRESS);
static_assert(ids::kSystemId == IDC_SYSTEM_ID);
static_assert(ids::kUpload == IDC_UPLOAD);
static_assert(ids::kGatewayList == IDC_GATEWAY_LIST);
static_assert(ids::kSearch == IDC_SEARCH);
static_assert(ids::kDeviceName == IDC_DEVICE_NAME);
static_assert(ids::kPause == IDC_PAUSE);
static_assert(ids::kStop == IDC_STOP);
static_assert(ids::kMulticastLabel == IDC_MULTICAST_LABEL);
static_assert(ids::kKnxAddressLabel == IDC_KNX_ADDRESS_LABEL);
static_assert(ids::kRepeater == IDC_REPEATER);
static_assert(ids::kRepeaterLevel2 == IDC_REPEATER_LEVEL_2);
static_assert(ids::kIpAddressLabel == IDC_IP_ADDRESS_LABEL);
static_assert(ids::kDeviceNameLabel == IDC_DEVICE_NAME_LABEL);
static_assert(ids::kActingSceneLabel == IDC_ACTING_SCENE_LABEL);
static_assert(ids::kSlaveOut1 == IDC_SLAVE_OUT_1);
static_assert(ids::kSlaveBox == IDC_SLAVE_BOX);
static_assert(ids::kSlaveOut2 == IDC_SLAVE_OUT_2);
static_assert(ids::kSystemIdLabel == IDC_SYSTEM_ID_LABEL);
static_assert(ids::kUnsecured == IDC_UNSECURED);
static_assert(ids::kWep == IDC_WEP);
static_assert(ids::kWpa2 == IDC_WPA2);
static_assert(ids::kWps == IDC_WPS);
static_assert(ids::kKey1 == IDC_KEY_1);
static_assert(ids::kKey2 == IDC_KEY_2);
static_assert(ids::kSsidLabel == IDC_SSID_LABEL);
static_assert(ids::kSsid == IDC_SSID);
static_assert(ids::kKeyLabel == IDC_KEY_LABEL);
static_assert(ids::kKey3 == IDC_KEY_3);
static_assert(ids::kKey4 == IDC_KEY_4);
static_assert(ids::kWlanBox == IDC_WLAN_BOX);
static_assert(ids::kUploadProgress == IDC_UPLOAD_PROGRESS);

}  // namespace halvex
