#pragma once
// CPU time of each thread of this process, from /proc/self/task/<tid>/schedstat (nanoseconds
// on the processor), so that the bench can tell the program's threads from its own harness.
#include <map>

namespace qda::bench {

// Thread id -> CPU time in ms of every thread alive now.
std::map<int, double> ThreadCpuMs();

}  // namespace qda::bench
