#include "platform/posix/ini_scan.h"

#include "text/text.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZENDREL_X86 1
#endif

namespace zendrel::platform::ini {

namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v'; }

bool IsCandidate(const char* data, std::size_t q, const KeyEnding& e) {
  if (data[q] == '[') return true;
  if (data[q] != '=') return false;
  const char b1 = data[q - 1], b2 = data[q - 2];
  if (IsBlank(b1)) return true;
  return (b1 == e.last[0] || b1 == e.last[1]) &&
         (!e.hasPrevious || b2 == e.previous[0] || b2 == e.previous[1]);
}

std::size_t ScalarCandidate(const char* data, std::size_t from, std::size_t end,
                            const KeyEnding& e) {
  for (std::size_t q = from; q < end; ++q) {
    if (IsCandidate(data, q, e)) return q;
  }
  return end;
}

#ifdef ZENDREL_X86

unsigned FirstBit(unsigned mask) { return static_cast<unsigned>(__builtin_ctz(mask)); }

// Few operations per block matter more than few candidates: every candidate is checked
// afterwards, so the filter may let through a little more than it must. The key's last
// letter is compared with the case bit set, and any byte up to the space counts as a blank.
__attribute__((target("avx2"))) std::size_t Avx2Candidate(const char* data, std::size_t from,
                                                          std::size_t end, const KeyEnding& e) {
  const __m256i open = _mm256_set1_epi8('['), equals = _mm256_set1_epi8('=');
  const __m256i caseBit = _mm256_set1_epi8(0x20);
  const __m256i folded = _mm256_set1_epi8(static_cast<char>(e.last[0] | 0x20));
  std::size_t q = from;
  for (; q + 32 <= end; q += 32) {
    const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + q));
    const __m256i b1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + q - 1));
    const __m256i named = _mm256_cmpeq_epi8(_mm256_or_si256(b1, caseBit), folded);
    const __m256i low = _mm256_cmpeq_epi8(_mm256_min_epu8(b1, caseBit), b1);
    const __m256i hit = _mm256_or_si256(
        _mm256_cmpeq_epi8(here, open),
        _mm256_and_si256(_mm256_cmpeq_epi8(here, equals), _mm256_or_si256(named, low)));
    const auto mask = static_cast<unsigned>(_mm256_movemask_epi8(hit));
    if (mask != 0) {
      // Only the positions the exact rule accepts end the search.
      for (unsigned rest = mask; rest != 0; rest &= rest - 1) {
        const std::size_t at = q + FirstBit(rest);
        if (IsCandidate(data, at, e)) return at;
      }
    }
  }
  return ScalarCandidate(data, q, end, e);
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

KeyEnding::KeyEnding(std::string_view key) {
  const char l = key.empty() ? '\0' : key.back();
  const char p = key.size() < 2 ? l : key[key.size() - 2];
  last[0] = text::LowerAscii(l);
  last[1] = Upper(l);
  previous[0] = text::LowerAscii(p);
  previous[1] = Upper(p);
  hasPrevious = key.size() >= 2;
}

std::size_t FindKeyCandidate(const char* data, std::size_t from, std::size_t end,
                             const KeyEnding& ending) {
  // The first two places have no full ending before them to compare.
  for (; from < 2 && from < end; ++from) {
    if (data[from] == '[' || (data[from] == '=' && from == 1 && IsBlank(data[0]))) return from;
  }
#ifdef ZENDREL_X86
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) return Avx2Candidate(data, from, end, ending);
#endif
  return ScalarCandidate(data, from, end, ending);
}

}  // namespace zendrel::platform::ini
