// What the group dialogs decide, whatever shows them: the number typed into a number field, its
// range, when a bad number is reported, the values handed back to the caller (EnteredNumber,
// EnteredName), and the object type of each choice of the group-address dialog.
//
// Opening a dialog clears EnteredNumber and EnteredName; every change of a number field stores
// the parsed number in EnteredNumber, every change of the name field the name (UTF-8) in
// EnteredName; OK closes only when the active field holds a number within its range. A number
// typed out of range is reported once until the field holds an acceptable value again; an empty
// field is an ordinary step while retyping.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace halvex {

// Decimal digits with optional surrounding blanks; values beyond 32 bits saturate. Nothing
// for an empty text or one that is not a number.
std::optional<uint32_t> ParseGroupNumber(std::string_view text);

class GroupNumberField {
public:
    explicit GroupNumberField(uint32_t max) : max_(max) {}

    uint32_t Max() const { return max_; }
    // Back to the state of a fresh dialog.
    void Reset() { reported_ = false; }
    // The field's text changed: EnteredNumber follows; true when the user is to be told now
    // that the number is not acceptable.
    bool Changed(std::string_view text);
    // The number OK would close with, when `text` is acceptable.
    std::optional<uint32_t> Accepted(std::string_view text) const;

private:
    uint32_t max_;
    bool reported_ = false;
};

// A group dialog opens: EnteredNumber 0 and EnteredName empty.
void OpenGroupEntry();
// The name field changed (UTF-8).
void GroupNameChanged(std::string name);
// OK with an acceptable number: the caller reads what the visible fields hold.
void AcceptGroupEntry(uint32_t number, std::string name);

// The message for a number outside 0..max, in the call's language.
std::string BadGroupNumberText(uint32_t max);

// The object-type choices of the group-address dialog, in button order: "1 Bit", "1 Byte",
// "3 Byte", "4 Byte", "4 Bit".
inline constexpr int kObjectTypeChoices = 5;
// The ObjectType stored for a choice: 0, 7, 9, 10, 3; no (or an unknown) choice gives 0.
uint8_t ObjectTypeOfChoice(int choice);

}  // namespace halvex
