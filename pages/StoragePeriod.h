#pragma once
// The effective storage period text of the common page: sampling period × storage factor.
#include <string>

namespace qda {

// "(20us)", "(2.5ms)", "(1000ms)" for sampling period index 0..5 (20us .. 1ms) and factor index
// 0..9 (x1 .. x1000); an index outside its list counts as 0.
std::string StoragePeriodText(int samplingIndex, int factorIndex);

}  // namespace qda
