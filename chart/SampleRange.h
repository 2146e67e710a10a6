#pragma once
// The smallest and largest of a run of raw samples. A trace of 65,536 samples shown over two
// thousand pixel columns makes its point list from runs of some thirty samples per column, and
// this fold was most of a full redraw of four such traces.
#include <cstddef>
#include <cstdint>

namespace qda {

// Folds samples[0, count) into `lowest` and `highest`.
void FoldSampleRange(const int32_t* samples, size_t count, int32_t& lowest, int32_t& highest);

}  // namespace qda
