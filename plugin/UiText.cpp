#include "plugin/UiText.h"

#include <array>

#include "plugin/ModuleState.h"

namespace halvex {
namespace {

// Entry 2k is English, 2k + 1 German.
constexpr std::array<std::string_view, 2 * kTextPairs> kTexts = {
    "Grp.-Addresses", "Grp.-Adressen",
    "Groupaddresses", "Gruppenadressen",
    "Preview", "Vorschau",
    "Scene Out 1", "Szene Out 1",
    "Scene Out 2", "Szene Out 2",
    "Dimmer Out 1", "Dimmer Out 1",
    "Dimmer Out 2", "Dimmer Out 2",
    "IP-Address", "IP-Adresse",
    "KNX phys. Address", "KNX phys. Adresse",
    "Device name", "Gerätename",
    "Search", "Suchen",
    "Upload", "Hochladen",
    "Acting Scene", "Verhalten Szene",
    "Transmitter", "Sender",
    "unsecured", "nicht verschlüsselt",
    "Selection", "Auswahl",
    "Bustype", "Bustyp",
    "Maingroupaddress", "Hauptgruppe",
    "Number", "Nummer",
    "Name", "Name",
    "Middlegroup", "Mittelgruppe",
    "Groupaddress", "Gruppenadresse",
    "Objecttype", "Objekttyp",
    "Unable to open socket", "Netzwerkverbindung kann nicht geöffnet werden",
    "Information", "Information",
    "Invalid IP-Address", "ungültige IP-Adresse",
    "Attention", "Achtung",
    "Really change IP-address of selected Gateway ?", "Soll die IP-Adresse geändert werden ?",
    "Main group already exists", "Hauptgruppe schon vorhanden",
    "Middle group already exists", "Mittelgruppe schon vorhanden",
    "Groupaddress already exists", "Gruppenadresse schon vorhanden",
    "Invalid groupaddress 0/0", "ungültige Gruppenadresse 0/0",
    "Invalid groupaddress 0/0/0", "ungültige Gruppenadresse 0/0/0",
    "invalid Firmware", "ungülitge Firmware",
};

}  // namespace

std::string_view UiText(Text pair, uint8_t language) {
    return kTexts[2 * static_cast<size_t>(pair) + (language & 1)];
}

std::string_view UiText(Text pair) { return UiText(pair, Module().UiLanguage); }

}  // namespace halvex
