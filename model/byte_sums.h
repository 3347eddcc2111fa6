// Sums of runs of one-byte entries, sixteen at a time.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace segsim {

// Sums of the w one-byte entries from a and from b. Reads whole 16-byte blocks: up to 15 bytes
// past the end of each run must be readable (their values do not count).
inline void SumByteRuns(const std::uint8_t* a, const std::uint8_t* b, std::int32_t w,
                        std::uint32_t& sumA, std::uint32_t& sumB) {
#if defined(__SSE2__)
  // psadbw adds the eight bytes of each half into a 64-bit lane: no lane can overflow.
  const __m128i zero = _mm_setzero_si128();
  __m128i sa = zero;
  __m128i sb = zero;
  std::int32_t i = 0;
  for (; i + 16 <= w; i += 16) {
    sa = _mm_add_epi64(
        sa, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)), zero));
    sb = _mm_add_epi64(
        sb, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i)), zero));
  }
  if (i < w) {
    const __m128i lane = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m128i mask = _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(w - i)), lane);
    const __m128i va =
        _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)), mask);
    const __m128i vb =
        _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i)), mask);
    sa = _mm_add_epi64(sa, _mm_sad_epu8(va, zero));
    sb = _mm_add_epi64(sb, _mm_sad_epu8(vb, zero));
  }
  sa = _mm_add_epi64(sa, _mm_unpackhi_epi64(sa, sa));
  sb = _mm_add_epi64(sb, _mm_unpackhi_epi64(sb, sb));
  sumA += static_cast<std::uint32_t>(_mm_cvtsi128_si32(sa));
  sumB += static_cast<std::uint32_t>(_mm_cvtsi128_si32(sb));
#else
  std::uint32_t sa = 0;
  std::uint32_t sb = 0;
  for (std::int32_t i = 0; i < w; ++i) {
    sa += a[i];
    sb += b[i];
  }
  sumA += sa;
  sumB += sb;
#endif
}

}  // namespace segsim
