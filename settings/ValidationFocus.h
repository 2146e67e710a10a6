#pragma once
// What a record check needs of the page that shows the record: moving the focus to the control
// whose value failed. The settings pages and option dialogs implement it; file, registry and
// controller paths pass no page.

namespace qda {

// Dialogs whose controls the checks name.
constexpr int kDialogHead = 133;         // head page
constexpr int kDialogOut = 134;          // OUT page (calculation method, target)
constexpr int kDialogOutLoadData = 135;  // hold mode, trigger, filter, tolerance
constexpr int kDialogOutCalcData = 136;  // scaling and offset
constexpr int kDialogOutDetails = 137;   // display digits and analog output
constexpr int kDialogCommon = 138;       // common page
constexpr int kDialogPcComm = 151;       // PC communication dialog
constexpr int kDialogEnvironment = 154;  // environment dialog

class IValidationFocus {
public:
    virtual ~IValidationFocus() = default;
    // Moves the focus to control `controlId` of dialog `dialogId` (the page or one of its
    // sub-pages, which the page makes visible); `selectText` selects an edit's text as well.
    virtual void FocusControl(int dialogId, int controlId, bool selectText) = 0;
};

}  // namespace qda
