// The bilingual user-interface texts and the language of the running call.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace halvex {

// Pair numbers of the text table.
enum class Text : uint8_t {
    GroupAddressesHeading = 0,
    GroupAddressesRoot = 1,
    Preview = 2,
    SceneOut1 = 3,
    SceneOut2 = 4,
    DimmerOut1 = 5,
    DimmerOut2 = 6,
    IpAddress = 7,
    KnxPhysicalAddress = 8,
    DeviceName = 9,
    Search = 10,
    Upload = 11,
    ActingScene = 12,
    Transmitter = 13,
    Unsecured = 14,
    Selection = 15,
    BusType = 16,
    MainGroup = 17,
    Number = 18,
    Name = 19,
    MiddleGroup = 20,
    GroupAddress = 21,
    ObjectType = 22,
    UnableToOpenSocket = 23,
    Information = 24,
    InvalidIpAddress = 25,
    Attention = 26,
    ReallyChangeAddress = 27,
    MainGroupExists = 28,
    MiddleGroupExists = 29,
    GroupAddressExists = 30,
    InvalidAddress2Level = 31,
    InvalidAddress3Level = 32,
    InvalidFirmware = 33,
};

inline constexpr int kTextPairs = 34;

// The text of `pair` in the current UiLanguage (UTF-8).
std::string_view UiText(Text pair);
// The text of `pair` in `language` (0 English, 1 German).
std::string_view UiText(Text pair, uint8_t language);

// Texts this plug-in adds to the table above, for situations the original could not report.
enum class ExtraText : uint8_t {
    ConfigurationTooLarge,
    EsfLinesSkipped,  // contains %1 for the number of lines
    RecordDamaged,
    UploadPreparing,
    UploadSendingBlock,  // %1 block, %2 block count
    UploadStarting,
    UploadPacket,  // %1 packet, %2 packet count
    UploadRetry,   // %1 retry number
    ImportNothingFound,
    ImportXmlNotWellFormed,     // %1 line, %2 the parser's words
    ImportEncodingUnsupported,  // %1 the encoding's name
    ImportEntriesSkipped,       // %1 number of GroupAddress elements
    ImportFileFilter,
};
std::string_view ExtraUiText(ExtraText text, uint8_t language);
std::string_view ExtraUiText(ExtraText text);

// `pattern` with %1, %2, ... replaced by the numbers in `values`, in that order.
std::string FillText(std::string_view pattern, std::initializer_list<long long> values);

// Maps the host's language argument: below 2 unchanged, anything else English.
constexpr uint8_t LanguageFromHost(uint8_t language) {
    return language < 2 ? language : 0;
}

}  // namespace halvex
