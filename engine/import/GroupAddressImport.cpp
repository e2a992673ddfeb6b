#include "engine/import/GroupAddressImport.h"

#include "engine/import/GroupAddressCsv.h"
#include "engine/import/GroupAddressXml.h"

namespace halvex {

GroupAddressImport ImportGroupAddresses(std::string_view fileBytes) {
    GroupAddressImport result;
    if (fileBytes.starts_with("\xFF\xFE") || fileBytes.starts_with("\xFE\xFF")) {
        result.refusal = ImportRefusal::UnsupportedEncoding;
        result.detail = "UTF-16";
        return result;
    }
    // ESF first: its line 1 is a free project name, which may well start with "<".
    const bool esf = LooksLikeEsf(fileBytes);
    if (!esf && LooksLikeXml(fileBytes)) {
        result = ParseGroupAddressXml(fileBytes);
    } else if (auto csv = esf ? std::nullopt : ParseGroupAddressCsv(fileBytes)) {
        result.format = ImportFormat::Csv;
        result.catalogue = std::move(*csv);
    } else {
        result.catalogue = ParseEsf(fileBytes);
    }
    if (result.refusal == ImportRefusal::None && result.catalogue.items.empty())
        result.refusal = ImportRefusal::NoGroupAddress;
    if (result.refusal != ImportRefusal::None)
        result.catalogue = EsfImport{};
    return result;
}

}  // namespace halvex
