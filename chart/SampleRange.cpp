#include "chart/SampleRange.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qda {

void FoldSampleRange(const int32_t* samples, size_t count, int32_t& lowest, int32_t& highest) {
    size_t i = 0;
#if defined(__SSE2__)
    // Four samples a step. SSE2 has no 32-bit minimum or maximum: a comparison picks the lanes.
    if (count >= 8) {
        __m128i lo = _mm_set1_epi32(lowest);
        __m128i hi = _mm_set1_epi32(highest);
        for (; i + 4 <= count; i += 4) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + i));
            const __m128i below = _mm_cmplt_epi32(v, lo);
            lo = _mm_or_si128(_mm_and_si128(below, v), _mm_andnot_si128(below, lo));
            const __m128i above = _mm_cmpgt_epi32(v, hi);
            hi = _mm_or_si128(_mm_and_si128(above, v), _mm_andnot_si128(above, hi));
        }
        alignas(16) int32_t l[4], h[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(l), lo);
        _mm_store_si128(reinterpret_cast<__m128i*>(h), hi);
        lowest = std::min({l[0], l[1], l[2], l[3]});
        highest = std::max({h[0], h[1], h[2], h[3]});
    }
#endif
    for (; i < count; ++i) {
        lowest = std::min(lowest, samples[i]);
        highest = std::max(highest, samples[i]);
    }
}

}  // namespace qda
