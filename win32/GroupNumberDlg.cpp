#include "win32/GroupNumberDlg.h"

#include "model/ControlIds.h"
#include "win32/WinUi.h"
#include "win32/resource.h"

namespace halvex {

GroupNumberDlg::GroupNumberDlg(int templateId, Text caption)
    : templateId_(templateId), caption_(caption) {}

int GroupNumberDlg::Run(HWND owner) {
    return RunModal(templateId_, owner) == kOk ? kOk : kCancel;
}

void GroupNumberDlg::AddNumberField(int id, uint32_t max) {
    fields_.push_back({id, GroupNumberField(max)});
    if (active_ == 0)
        active_ = id;
}

GroupNumberDlg::NumberField* GroupNumberDlg::FieldOf(int id) {
    for (NumberField& field : fields_) {
        if (field.id == id)
            return &field;
    }
    return nullptr;
}

BOOL GroupNumberDlg::OnInitDialog() {
    SetWindowTextW(hwnd_, WideText(caption_).c_str());
    SetControlText(hwnd_, ids::kNumberLabel, UiText(Text::Number));
    // Opening starts from a clean slate: fields and the module's entered values.
    for (NumberField& field : fields_) {
        SetControlText(hwnd_, field.id, "0");
        field.rules.Reset();
    }
    SetControlText(hwnd_, ids::kGroupName, "");
    OpenGroupEntry();
    HWND active = GetDlgItem(hwnd_, active_);
    SetFocus(active);
    SendMessageW(active, EM_SETSEL, 0, -1);
    return FALSE;
}

bool GroupNumberDlg::OnCommand(int id, int code, HWND) {
    if (code == EN_CHANGE) {
        if (id == ids::kGroupName) {
            GroupNameChanged(ControlText(hwnd_, id));
        } else if (NumberField* field = FieldOf(id);
                   field != nullptr && field->rules.Changed(ControlText(hwnd_, id))) {
            ReportBadNumber(*field);
        }
        return true;
    }
    switch (id) {
        case ids::kGroupOk:
            AcceptIfValid(false);
            return true;
        case IDOK:  // Enter outside the buttons
            AcceptIfValid(true);
            return true;
        case ids::kGroupCancel:
        case IDCANCEL:
            EndModal(kCancel);
            return true;
        default:
            return false;
    }
}

void GroupNumberDlg::AcceptIfValid(bool reportBadNumber) {
    NumberField* field = FieldOf(active_);
    if (reporting_ || field == nullptr)
        return;
    const std::optional<uint32_t> number = field->rules.Accepted(ControlText(hwnd_, active_));
    if (!number) {
        if (reportBadNumber)
            ReportBadNumber(*field);
        return;
    }
    // The caller reads what the visible fields hold, even if a hidden field changed last.
    AcceptGroupEntry(*number, ControlText(hwnd_, ids::kGroupName));
    EndModal(kOk);
}

void GroupNumberDlg::ReportBadNumber(NumberField& field) {
    if (reporting_)
        return;
    reporting_ = true;
    ShowMessage(hwnd_, WindowText(hwnd_), BadGroupNumberText(field.rules.Max()),
                MB_OK | MB_ICONEXCLAMATION);
    reporting_ = false;
    HWND edit = GetDlgItem(hwnd_, field.id);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
}

CMainGroupDlg::CMainGroupDlg() : GroupNumberDlg(IDD_MAIN_GROUP, Text::MainGroup) {
    AddNumberField(ids::kGroupNumber, kMaxNumber);
}

CMiddleGroupDlg::CMiddleGroupDlg() : GroupNumberDlg(IDD_MIDDLE_GROUP, Text::MiddleGroup) {
    AddNumberField(ids::kGroupNumber, kMaxNumber);
}

}  // namespace halvex
