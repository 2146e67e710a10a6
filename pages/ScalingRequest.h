#pragma once
// Scaling from measured data, as the OUT page's button "測定データから設定(&G)" asks for it. The
// dialog that does it lives above this folder, so the main window installs the runner once and
// the page calls it.
#include <array>
#include <cstdint>
#include <functional>

#include "settings/SettingsBlock.h"

class CCommand;
class QWidget;

namespace qda {

struct ScalingRequest {
    QWidget* parent = nullptr;
    int out = 0;  // 0 OUT1, 1 OUT2
    // In: the OUT's scaling now; out (after OK): the values to take. [head A, B][in1, out1, in2, out2]
    std::array<std::array<int32_t, 4>, 2> values{};
    int unit = 0;  // the OUT's unit row
    int mmDigits = 0;
    int inchDigits = 0;
    PcCommSetting pcComm{};
    CCommand* command = nullptr;
};

// Installs the runner (an empty function removes it). It runs the dialog modally and returns
// true when the operator confirmed values, which it leaves in the request.
void SetScalingRunner(std::function<bool(ScalingRequest& request)> runner);
bool HasScalingRunner();
// Runs the installed runner; false when none is installed or the operator cancelled.
bool RunScalingDialog(ScalingRequest& request);

}  // namespace qda
