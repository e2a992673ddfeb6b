// Control IDs of the dialog's templates, shared by the model and every front-end: the model
// answers questions about a control by its ID, a front-end names its widgets by it.
#pragma once

namespace halvex::ids {

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

}  // namespace halvex::ids
