// Shared base of the dialogs that ask for a group number and a name (main group, middle group,
// group address), and the two plain ones.
//
// It owns the number field(s), the name field, OK (7056) and Cancel (7057) and shows what the
// group-entry rules (model/GroupEntry.h) decide: OK closes with 1 only when the active number is
// acceptable and otherwise stays open silently; Enter does the same but reports a bad number;
// Cancel and Escape close with 2.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/UiText.h"
#include "model/GroupEntry.h"
#include "win32/DialogWindow.h"

namespace halvex {

class GroupNumberDlg : public DialogWindow {
public:
    static constexpr int kOk = 1;
    static constexpr int kCancel = 2;

    // Runs the dialog modally above `owner`: kOk or kCancel.
    int Run(HWND owner);

protected:
    GroupNumberDlg(int templateId, Text caption);

    // Adds number field `id`, which accepts 0..max; the first field added is the active one,
    // whose number OK checks.
    void AddNumberField(int id, uint32_t max);
    void SetActiveNumberField(int id) { active_ = id; }

    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    struct NumberField {
        int id;
        GroupNumberField rules;
    };

    NumberField* FieldOf(int id);
    // OK: closes with 1 when the active number is valid; Enter also reports a bad number.
    void AcceptIfValid(bool reportBadNumber);
    void ReportBadNumber(NumberField& field);

    int templateId_;
    Text caption_;
    std::vector<NumberField> fields_;
    int active_ = 0;
    bool reporting_ = false;  // a report box is open
};

// Asks for the number (0..31) and name of a new main group (template 102).
class CMainGroupDlg : public GroupNumberDlg {
public:
    static constexpr uint32_t kMaxNumber = 31;
    CMainGroupDlg();
};

// Asks for the number (0..7) and name of a new middle group (template 7019).
class CMiddleGroupDlg : public GroupNumberDlg {
public:
    static constexpr uint32_t kMaxNumber = 7;
    CMiddleGroupDlg();
};

}  // namespace halvex
