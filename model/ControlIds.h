// Control IDs of the dialog's templates, shared by the model and every front-end: the model
// answers questions about a control by its ID, a front-end names its widgets by it.
#pragma once

namespace halvex::ids {

// Main dialog and the trees of the catalogue and every output page.
inline constexpr int kTree = 1001;
inline constexpr int kCancel = 7009;
inline constexpr int kImportEsf = 7012;
inline constexpr int kPageTabs = 7022;
inline constexpr int kProjectName = 7027;
inline constexpr int kPreview1 = 7036;
inline constexpr int kSoftOnOff = 7037;
inline constexpr int kPreview2 = 7042;
inline constexpr int kCatalogueHeading = 7051;
inline constexpr int kOk = 7052;
inline constexpr int kPreviewLabel = 7072;

// Group dialogs (main group, middle group, group address).
inline constexpr int kGroupNumber = 7035;
inline constexpr int kGroupName = 7055;
inline constexpr int kGroupOk = 7056;
inline constexpr int kGroupCancel = 7057;
inline constexpr int kMiddleRange = 7059;
inline constexpr int kAddressRange = 7061;
inline constexpr int kOneBit = 7062;
inline constexpr int kOneByte = 7063;
inline constexpr int kGroupNumberTwoLevel = 7064;
inline constexpr int kThreeBytes = 7065;
inline constexpr int kNumberLabel = 7066;
inline constexpr int kNameLabel = 7067;
inline constexpr int kObjectTypeBox = 7068;
inline constexpr int kFourBytes = 7069;
inline constexpr int kFourBits = 7070;

// Bus-type selection dialog.
inline constexpr int kBusOk = 1;
inline constexpr int kBusCancel = 2;
inline constexpr int kBusKnx = 7047;
inline constexpr int kBusEnOcean = 7048;
inline constexpr int kBusWlan = 7049;
inline constexpr int kBusKnxMasterSlave = 7050;
inline constexpr int kBusWlanMasterSlave = 7051;
inline constexpr int kBusTypeBox = 7065;
inline constexpr int kKnxMasterSlaveLabel = 7078;
inline constexpr int kWlanMasterSlaveLabel = 7079;

// Network settings page.
inline constexpr int kDhcp = 7004;
inline constexpr int kIpAddress = 7005;
inline constexpr int kSubnet = 7006;
inline constexpr int kDefaultGateway = 7007;
inline constexpr int kMulticast = 7008;
inline constexpr int kKnxAddress = 7035;
inline constexpr int kSystemId = 7037;
inline constexpr int kUpload = 7038;
inline constexpr int kGatewayList = 7039;
inline constexpr int kSearch = 7040;
inline constexpr int kDeviceName = 7041;
inline constexpr int kPause = 7044;
inline constexpr int kStop = 7045;
inline constexpr int kMulticastLabel = 7049;
inline constexpr int kKnxAddressLabel = 7050;
inline constexpr int kRepeater = 7053;
inline constexpr int kRepeaterLevel2 = 7054;
inline constexpr int kIpAddressLabel = 7069;
inline constexpr int kDeviceNameLabel = 7070;
inline constexpr int kActingSceneLabel = 7071;
inline constexpr int kSlaveOut1 = 7074;
inline constexpr int kSlaveBox = 7075;
inline constexpr int kSlaveOut2 = 7076;
inline constexpr int kSystemIdLabel = 7077;
inline constexpr int kUnsecured = 7079;
inline constexpr int kWep = 7080;
inline constexpr int kWpa2 = 7081;
inline constexpr int kWps = 7082;
inline constexpr int kKey1 = 7083;
inline constexpr int kKey2 = 7084;
inline constexpr int kSsidLabel = 7085;
inline constexpr int kSsid = 7086;
inline constexpr int kKeyLabel = 7087;
inline constexpr int kKey3 = 7088;
inline constexpr int kKey4 = 7089;
inline constexpr int kWlanBox = 7090;
// The upload's progress line under the gateway list (not in the original template).
inline constexpr int kUploadProgress = 7091;

}  // namespace halvex::ids
