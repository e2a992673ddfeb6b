#include "model/GroupEntry.h"

#include <algorithm>
#include <array>
#include <limits>

#include "engine/ModuleState.h"

namespace halvex {
namespace {

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\n\r\f\v";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace

std::optional<uint32_t> ParseGroupNumber(std::string_view text) {
    const std::string_view digits = Trimmed(text);
    if (digits.empty())
        return std::nullopt;
    uint64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(c - '0'),
                                   std::numeric_limits<uint32_t>::max());
    }
    return static_cast<uint32_t>(value);
}

bool GroupNumberField::Changed(std::string_view text) {
    const std::optional<uint32_t> number = ParseGroupNumber(text);
    Module().EnteredNumber = number.value_or(0);
    if (Trimmed(text).empty() || (number && *number <= max_)) {
        reported_ = false;
        return false;
    }
    const bool report = !reported_;
    reported_ = true;
    return report;
}

std::optional<uint32_t> GroupNumberField::Accepted(std::string_view text) const {
    const std::optional<uint32_t> number = ParseGroupNumber(text);
    return number && *number <= max_ ? number : std::nullopt;
}

void OpenGroupEntry() {
    Module().EnteredNumber = 0;
    Module().EnteredName.clear();
}

void GroupNameChanged(std::string name) {
    Module().EnteredName = std::move(name);
}

void AcceptGroupEntry(uint32_t number, std::string name) {
    Module().EnteredNumber = number;
    Module().EnteredName = std::move(name);
}

std::string BadGroupNumberText(uint32_t max) {
    return (Module().UiLanguage == 0 ? "Please enter a number from 0 to "
                                     : "Bitte eine Zahl von 0 bis ") +
           std::to_string(max) + (Module().UiLanguage == 0 ? "." : " eingeben.");
}

uint8_t ObjectTypeOfChoice(int choice) {
    static constexpr std::array<uint8_t, kObjectTypeChoices> kTypes = {0, 7, 9, 10, 3};
    return choice >= 0 && choice < kObjectTypeChoices ? kTypes[static_cast<size_t>(choice)] : 0;
}

}  // namespace halvex
