#pragma once
// Small tools shared by the byte-level converters: a word-at-a-time scan for
// the first byte with the high bit set, and an output buffer written through
// a raw cursor whose room is checked only where a conversion can grow.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace bq::kanji_detail {

// Index of the first byte at or after i with the high bit set, or n.
inline std::size_t SkipAscii(const unsigned char* p, std::size_t i, std::size_t n) {
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  while (i + 8 <= n) {
    std::uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (w & kHigh) return i + (__builtin_ctzll(w & kHigh) >> 3);
    i += 8;
  }
  while (i < n && p[i] < 0x80) ++i;
  return i;
}

// Output for a converter that mostly writes no more bytes than it reads.
// The caller keeps "room for the rest of the input" as the invariant and
// calls Grow before each step that writes more than it reads.
class OutBuf {
 public:
  explicit OutBuf(std::size_t inputSize) : s_(inputSize + 16, '\0') {}
  unsigned char* Cursor() { return reinterpret_cast<unsigned char*>(s_.data()) + o_; }
  void Advance(std::size_t k) { o_ += k; }
  void Put(unsigned char c) { s_[o_++] = static_cast<char>(c); }
  void Put2(unsigned char a, unsigned char b) {
    s_[o_] = static_cast<char>(a);
    s_[o_ + 1] = static_cast<char>(b);
    o_ += 2;
  }
  void Copy(const unsigned char* p, std::size_t k) {
    std::memcpy(s_.data() + o_, p, k);
    o_ += k;
  }
  // Makes room for `extra` bytes beyond the remaining input.
  void Grow(std::size_t remainingInput, std::size_t extra) {
    std::size_t need = o_ + remainingInput + extra + 16;
    if (need > s_.size()) s_.resize(need + s_.size() / 2);
  }
  std::string Take() {
    s_.resize(o_);
    return std::move(s_);
  }

 private:
  std::string s_;
  std::size_t o_ = 0;
};

}  // namespace bq::kanji_detail
