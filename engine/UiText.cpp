#include "engine/UiText.h"

#include <array>

#include "engine/ModuleState.h"

namespace halvex {
namespace {

// Entry 2k is English, 2k + 1 German.
constexpr std::array<std::string_view, 2 * kTextPairs> kTexts = {
    "Grp.-Addresses",
    "Grp.-Adressen",
    "Groupaddresses",
    "Gruppenadressen",
    "Preview",
    "Vorschau",
    "Scene Out 1",
    "Szene Out 1",
    "Scene Out 2",
    "Szene Out 2",
    "Dimmer Out 1",
    "Dimmer Out 1",
    "Dimmer Out 2",
    "Dimmer Out 2",
    "IP-Address",
    "IP-Adresse",
    "KNX phys. Address",
    "KNX phys. Adresse",
    "Device name",
    "Gerätename",
    "Search",
    "Suchen",
    "Upload",
    "Hochladen",
    "Acting Scene",
    "Verhalten Szene",
    "Transmitter",
    "Sender",
    "unsecured",
    "nicht verschlüsselt",
    "Selection",
    "Auswahl",
    "Bustype",
    "Bustyp",
    "Maingroupaddress",
    "Hauptgruppe",
    "Number",
    "Nummer",
    "Name",
    "Name",
    "Middlegroup",
    "Mittelgruppe",
    "Groupaddress",
    "Gruppenadresse",
    "Objecttype",
    "Objekttyp",
    "Unable to open socket",
    "Netzwerkverbindung kann nicht geöffnet werden",
    "Information",
    "Information",
    "Invalid IP-Address",
    "ungültige IP-Adresse",
    "Attention",
    "Achtung",
    "Really change IP-address of selected Gateway ?",
    "Soll die IP-Adresse geändert werden ?",
    "Main group already exists",
    "Hauptgruppe schon vorhanden",
    "Middle group already exists",
    "Mittelgruppe schon vorhanden",
    "Groupaddress already exists",
    "Gruppenadresse schon vorhanden",
    "Invalid groupaddress 0/0",
    "ungültige Gruppenadresse 0/0",
    "Invalid groupaddress 0/0/0",
    "ungültige Gruppenadresse 0/0/0",
    "invalid Firmware",
    "ungülitge Firmware",
};

constexpr std::array<std::string_view, 26> kExtraTexts = {
    "The configuration is too large to be stored (its main part would exceed 65535 bytes). "
    "Remove assignments or group addresses, then press OK again.",
    "Die Konfiguration ist zu groß zum Speichern (ihr Hauptteil wäre größer als 65535 Bytes). "
    "Entfernen Sie Zuordnungen oder Gruppenadressen und drücken Sie dann erneut OK.",
    "%1 line(s) of the file could not be read and were skipped.",
    "%1 Zeile(n) der Datei konnten nicht gelesen werden und wurden übersprungen.",
    "The stored configuration is damaged. Only its readable parts are shown: OK saves them, "
    "Cancel leaves the stored configuration as it is.",
    "Die gespeicherte Konfiguration ist beschädigt. Nur ihre lesbaren Teile werden angezeigt: "
    "OK speichert sie, Abbrechen lässt die gespeicherte Konfiguration unverändert.",
    "Preparing the gateway",
    "Gateway wird vorbereitet",
    "Sending block %1 of %2",
    "Sende Block %1 von %2",
    "Starting the gateway",
    "Gateway wird gestartet",
    "packet %1 of %2",
    "Paket %1 von %2",
    "retry %1",
    "Wiederholung %1",
    "The file contains no group address that can be imported: it is not an ETS group-address "
    "export (ESF, XML or CSV), it is empty, or none of its entries can be read. The catalogue is "
    "unchanged.",
    "Die Datei enthält keine Gruppenadresse, die importiert werden kann: Sie ist kein "
    "ETS-Gruppenadressen-Export (ESF, XML oder CSV), sie ist leer, oder keiner ihrer Einträge "
    "ist lesbar. Der Katalog bleibt unverändert.",
    "The file is not well-formed XML (line %1: %2). The catalogue is unchanged.",
    "Die Datei ist kein wohlgeformtes XML (Zeile %1: %2). Der Katalog bleibt unverändert.",
    "The file's encoding %1 is not supported; export it as UTF-8. The catalogue is unchanged.",
    "Die Kodierung %1 der Datei wird nicht unterstützt; exportieren Sie sie als UTF-8. Der "
    "Katalog bleibt unverändert.",
    "%1 group address(es) of the file could not be read and were skipped.",
    "%1 Gruppenadresse(n) der Datei konnten nicht gelesen werden und wurden übersprungen.",
    "ETS group-address exports (*.esf *.xml *.csv)",
    "ETS-Gruppenadressen-Exporte (*.esf *.xml *.csv)",
};

}  // namespace

std::string_view ExtraUiText(ExtraText text, uint8_t language) {
    return kExtraTexts[2 * static_cast<size_t>(text) + (language & 1)];
}

std::string_view ExtraUiText(ExtraText text) {
    return ExtraUiText(text, Module().UiLanguage);
}

std::string FillText(std::string_view pattern, std::initializer_list<long long> values) {
    std::string out;
    out.reserve(pattern.size() + 8 * values.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        const size_t n = i + 1 < pattern.size() ? static_cast<size_t>(pattern[i + 1] - '1') : 9;
        if (pattern[i] == '%' && n < values.size()) {
            out += std::to_string(values.begin()[n]);
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

std::string_view UiText(Text pair, uint8_t language) {
    return kTexts[2 * static_cast<size_t>(pair) + (language & 1)];
}

std::string_view UiText(Text pair) {
    return UiText(pair, Module().UiLanguage);
}

}  // namespace halvex
