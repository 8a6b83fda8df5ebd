#pragma once
// The 26-byte bit set over the members 0..207 that model events, dignity tables and the
// INI reader's ReadSet share: bit n of byte n / 8 is member n. Plain bytes, so it can sit
// unaligned inside packed records and be copied with memcpy.
#include <cstdint>
#include <initializer_list>

namespace sd::astro {

struct ObjectSet {
  static constexpr int kMaxMember = 207;
  static constexpr int kBytes = 26;

  uint8_t bits[kBytes] = {};

  ObjectSet() = default;
  ObjectSet(std::initializer_list<int> members) {
    for (int n : members) Add(n);
  }
  // Members between lo and hi inclusive.
  static ObjectSet Range(int lo, int hi) {
    ObjectSet s;
    for (int n = lo; n <= hi; ++n) s.Add(n);
    return s;
  }

  // Numbers outside 0..207 are never members; adding one does nothing.
  bool Has(int n) const { return n >= 0 && n <= kMaxMember && (bits[n >> 3] >> (n & 7)) & 1; }
  void Add(int n) {
    if (n >= 0 && n <= kMaxMember) bits[n >> 3] |= static_cast<uint8_t>(1u << (n & 7));
  }
  void Remove(int n) {
    if (n >= 0 && n <= kMaxMember) bits[n >> 3] &= static_cast<uint8_t>(~(1u << (n & 7)));
  }
  void Clear() {
    for (auto& b : bits) b = 0;
  }
  bool Empty() const {
    for (auto b : bits)
      if (b) return false;
    return true;
  }
  // Number of members in lo..hi.
  int Count(int lo = 0, int hi = kMaxMember) const {
    int c = 0;
    for (int n = lo; n <= hi; ++n) c += Has(n);
    return c;
  }
  ObjectSet& operator|=(const ObjectSet& o) {
    for (int i = 0; i < kBytes; ++i) bits[i] |= o.bits[i];
    return *this;
  }
  friend bool operator==(const ObjectSet& a, const ObjectSet& b) {
    for (int i = 0; i < kBytes; ++i)
      if (a.bits[i] != b.bits[i]) return false;
    return true;
  }
};
static_assert(sizeof(ObjectSet) == 26 && alignof(ObjectSet) == 1);

}  // namespace sd::astro
