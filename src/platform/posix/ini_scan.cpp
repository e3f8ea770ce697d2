#include "platform/posix/ini_scan.h"

#include <algorithm>

#include "text/text.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZENDREL_X86 1
#endif

namespace zendrel::platform::ini {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v'; }

bool IsCandidate(const char* data, std::size_t q, std::string_view key) {
  if (data[q] == '[') return true;
  if (data[q] != '=') return false;
  if (q >= 1 && IsBlank(data[q - 1])) return true;
  return q >= key.size() && text::SameAsciiName({data + q - key.size(), key.size()}, key);
}

std::size_t PlainCandidate(const char* data, std::size_t from, std::size_t end,
                           std::string_view key) {
  for (std::size_t q = from; q < end; ++q) {
    if (IsCandidate(data, q, key)) return q;
  }
  return end;
}

#ifdef ZENDREL_X86

unsigned FirstBit(unsigned mask) { return static_cast<unsigned>(__builtin_ctz(mask)); }

__attribute__((target("avx2"))) __m256i Load(const char* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// Each place is compared as an '=' after any byte up to the space (a blank, or more) or after
// the name's last bytes, compared with the case bit set. A first, rough pass compares only the
// name's last byte and one in the middle of its compared tail, so that a run of names ending
// alike rarely gets through; the blocks it lets through are compared with the whole tail, and
// what remains is checked exactly. `from` must be at least name.compared() and 1, for the
// bytes read before the first place.
template <std::size_t kBytes>
__attribute__((target("avx2"))) std::size_t Avx2Candidate(const char* data, std::size_t from,
                                                          std::size_t end, const KeyName& name) {
  constexpr std::size_t kMiddle = kBytes / 2;
  const __m256i bracket = _mm256_set1_epi8('['), equals = _mm256_set1_epi8('=');
  const __m256i caseBit = _mm256_set1_epi8(0x20), all = _mm256_set1_epi8(-1);
  __m256i folded[kBytes > 0 ? kBytes : 1];
  for (std::size_t k = 0; k < kBytes; ++k) folded[k] = _mm256_set1_epi8(name.FoldedFromEnd(k));
  const auto same = [&](std::size_t q, std::size_t k) __attribute__((target("avx2"))) {
    return _mm256_cmpeq_epi8(_mm256_or_si256(Load(data + q - 1 - k), caseBit), folded[k]);
  };
  std::size_t q = from;
  for (; q + 32 <= end; q += 32) {
    const __m256i here = Load(data + q);
    const __m256i open = _mm256_cmpeq_epi8(here, bracket);
    const __m256i eq = _mm256_cmpeq_epi8(here, equals);
    // Most blocks hold neither: one test passes them.
    if (_mm256_testz_si256(_mm256_or_si256(open, eq), all)) continue;
    const __m256i b1 = Load(data + q - 1);
    const __m256i low = _mm256_cmpeq_epi8(_mm256_min_epu8(b1, caseBit), b1);
    const auto hits = [&](__m256i named) __attribute__((target("avx2"))) {
      return static_cast<unsigned>(_mm256_movemask_epi8(
          _mm256_or_si256(open, _mm256_and_si256(eq, _mm256_or_si256(named, low)))));
    };
    __m256i named = all;
    if constexpr (kBytes > 0) named = _mm256_and_si256(same(q, 0), same(q, kMiddle));
    unsigned mask = hits(named);
    if (mask == 0) continue;
#pragma GCC unroll 8
    for (std::size_t k = 1; k < kBytes; ++k) named = _mm256_and_si256(named, same(q, k));
    for (mask = hits(named); mask != 0; mask &= mask - 1) {
      const std::size_t place = q + FirstBit(mask);
      if (IsCandidate(data, place, name.key())) return place;
    }
  }
  return PlainCandidate(data, q, end, name.key());
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

KeyName::KeyName(std::string_view key)
    : key_(key), compared_(std::min(key.size(), kCompared)), folded_() {
  for (std::size_t k = 0; k < compared_; ++k) {
    folded_[k] = static_cast<char>(key[key.size() - 1 - k] | 0x20);
  }
}

std::size_t FindKeyCandidate(const char* data, std::size_t from, std::size_t end,
                             const KeyName& name, [[maybe_unused]] Search search) {
  // The first places lack the bytes before them that the fast search reads.
  const std::size_t head = std::min(end, std::max({from, name.compared(), std::size_t{1}}));
  if (const std::size_t q = PlainCandidate(data, from, head, name.key()); q < head) return q;
#ifdef ZENDREL_X86
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2 && search == Search::kFastest) {
    static constexpr std::size_t (*kByLength[])(const char*, std::size_t, std::size_t,
                                                const KeyName&) = {
        Avx2Candidate<0>, Avx2Candidate<1>, Avx2Candidate<2>, Avx2Candidate<3>, Avx2Candidate<4>,
        Avx2Candidate<5>, Avx2Candidate<6>, Avx2Candidate<7>, Avx2Candidate<8>};
    static_assert(std::size(kByLength) == KeyName::kCompared + 1);
    return kByLength[name.compared()](data, head, end, name);
  }
#endif
  return PlainCandidate(data, head, end, name.key());
}

}  // namespace zendrel::platform::ini
