#include "platform/posix/ini_scan.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZENDREL_X86 1
#endif

namespace zendrel::platform::ini {

namespace {

bool IsCandidate(const char* data, std::size_t q, char lower, char upper) {
  if (data[q] == '[') return true;
  if (data[q] != '=') return false;
  const char before = data[q - 1];
  return before == lower || before == upper || before == ' ' || before == '\t' || before == '\v';
}

std::size_t ScalarCandidate(const char* data, std::size_t from, std::size_t end, char lower,
                            char upper) {
  for (std::size_t q = from; q < end; ++q) {
    if (IsCandidate(data, q, lower, upper)) return q;
  }
  return end;
}

#ifdef ZENDREL_X86

unsigned FirstBit(unsigned mask) { return static_cast<unsigned>(__builtin_ctz(mask)); }

__attribute__((target("avx2"))) std::size_t Avx2Candidate(const char* data, std::size_t from,
                                                          std::size_t end, char lower, char upper) {
  const __m256i open = _mm256_set1_epi8('['), equals = _mm256_set1_epi8('=');
  const __m256i lo = _mm256_set1_epi8(lower), up = _mm256_set1_epi8(upper);
  const __m256i space = _mm256_set1_epi8(' '), tab = _mm256_set1_epi8('\t'),
                vtab = _mm256_set1_epi8('\v');
  std::size_t q = from;
  for (; q + 32 <= end; q += 32) {
    const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + q));
    const __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + q - 1));
    const __m256i ending = _mm256_or_si256(
        _mm256_or_si256(_mm256_cmpeq_epi8(before, lo), _mm256_cmpeq_epi8(before, up)),
        _mm256_or_si256(
            _mm256_cmpeq_epi8(before, space),
            _mm256_or_si256(_mm256_cmpeq_epi8(before, tab), _mm256_cmpeq_epi8(before, vtab))));
    const __m256i hit = _mm256_or_si256(_mm256_cmpeq_epi8(here, open),
                                        _mm256_and_si256(_mm256_cmpeq_epi8(here, equals), ending));
    const auto mask = static_cast<unsigned>(_mm256_movemask_epi8(hit));
    if (mask != 0) return q + FirstBit(mask);
  }
  return ScalarCandidate(data, q, end, lower, upper);
}

__attribute__((target("sse2"))) std::size_t Sse2Candidate(const char* data, std::size_t from,
                                                          std::size_t end, char lower, char upper) {
  const __m128i open = _mm_set1_epi8('['), equals = _mm_set1_epi8('=');
  const __m128i lo = _mm_set1_epi8(lower), up = _mm_set1_epi8(upper);
  const __m128i space = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t'), vtab = _mm_set1_epi8('\v');
  std::size_t q = from;
  for (; q + 16 <= end; q += 16) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + q));
    const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + q - 1));
    const __m128i ending = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(before, lo), _mm_cmpeq_epi8(before, up)),
        _mm_or_si128(_mm_cmpeq_epi8(before, space),
                     _mm_or_si128(_mm_cmpeq_epi8(before, tab), _mm_cmpeq_epi8(before, vtab))));
    const __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(here, open),
                                     _mm_and_si128(_mm_cmpeq_epi8(here, equals), ending));
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (mask != 0) return q + FirstBit(mask);
  }
  return ScalarCandidate(data, q, end, lower, upper);
}

__attribute__((target("sse2"))) std::size_t Sse2LineEnd(const char* data, std::size_t from,
                                                        std::size_t end) {
  const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
  std::size_t i = from;
  for (; i + 16 <= end; i += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    const auto mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, lf), _mm_cmpeq_epi8(block, cr))));
    if (mask != 0) return i + FirstBit(mask);
  }
  for (; i < end; ++i) {
    if (data[i] == '\n' || data[i] == '\r') return i;
  }
  return end;
}

#endif

}  // namespace

std::size_t FindLineEnd(const char* data, std::size_t from, std::size_t end) {
#ifdef ZENDREL_X86
  if (__builtin_cpu_supports("sse2")) return Sse2LineEnd(data, from, end);
#endif
  for (std::size_t i = from; i < end; ++i) {
    if (data[i] == '\n' || data[i] == '\r') return i;
  }
  return end;
}

std::size_t FindKeyCandidate(const char* data, std::size_t from, std::size_t end, char lower,
                             char upper) {
#ifdef ZENDREL_X86
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) return Avx2Candidate(data, from, end, lower, upper);
  if (__builtin_cpu_supports("sse2")) return Sse2Candidate(data, from, end, lower, upper);
#endif
  return ScalarCandidate(data, from, end, lower, upper);
}

}  // namespace zendrel::platform::ini
