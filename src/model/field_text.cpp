#include "model/field_text.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "astro/moment.h"
#include "data/trim.h"

namespace sd::model {

namespace {

// A whole word as a decimal integer; false when anything is left over or it overflows.
bool IntWord(std::string_view w, int32_t& out) {
  w = data::Trim(w, data::kSpaceTab);
  if (w.empty() || w.size() > 32) return false;
  char buf[40];
  std::memcpy(buf, w.data(), w.size());
  buf[w.size()] = 0;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(buf, &end, 10);
  if (end != buf + w.size() || errno != 0 || v < INT32_MIN || v > INT32_MAX) return false;
  out = static_cast<int32_t>(v);
  return true;
}

// A whole word as a decimal real; the first comma counts as the decimal point.
bool RealWord(std::string_view w, double& out) {
  w = data::Trim(w, data::kSpaceTab);
  if (w.empty() || w.size() > 250) return false;
  char buf[256];
  std::memcpy(buf, w.data(), w.size());
  buf[w.size()] = 0;
  if (char* comma = std::strchr(buf, ',')) *comma = '.';
  // Only plain decimal notation: no hexadecimal floats, infinities or NaNs from a model file.
  for (char* p = buf; *p; ++p)
    if (!std::strchr("0123456789+-.eE", *p)) return false;
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(buf, &end);
  if (end != buf + w.size() || errno == ERANGE || !std::isfinite(v)) return false;
  out = v;
  return true;
}

std::vector<std::string_view> Split(std::string_view s, char sep, bool merge_runs) {
  std::vector<std::string_view> words;
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == sep) {
      if (!(merge_runs && i == start)) words.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  // A text ending in its separator has no word after it.
  if (!words.empty() && words.back().empty() && !s.empty() && s.back() == sep) words.pop_back();
  return words;
}

std::string_view Cut255(std::string_view s) { return s.substr(0, std::min<size_t>(s.size(), 255)); }

}  // namespace

uint8_t RenumberObject(int n, int mode) {
  n &= 0xFF;
  if (mode != 1) return static_cast<uint8_t>(n);
  if (n <= 14) return static_cast<uint8_t>(n);
  if (n <= 34) return kUnmapped;
  if (n <= 59) return static_cast<uint8_t>(n - 20);
  return kUnmapped;
}

astro::ObjectSet RenumberSet(const astro::ObjectSet& s, int mode) {
  astro::ObjectSet out;
  for (int n = 0; n <= 200; ++n) {
    if (!s.Has(n)) continue;
    uint8_t m = RenumberObject(n, mode);
    if (m != kUnmapped && m <= astro::ObjectSet::kMaxMember) out.Add(m);
  }
  return out;
}

uint8_t MaskOf(const astro::ObjectSet& s, int count) {
  uint8_t m = 0;
  for (int n = 0; n < count; ++n)
    if (s.Has(n)) m |= static_cast<uint8_t>(1u << n);
  return m;
}

Qualifier ParseQualifier(std::string_view text) {
  Qualifier q{};
  text = Cut255(text);
  if (text.empty()) return q;
  auto present = [&](int n) {
    char tok[16];
    int len = std::snprintf(tok, sizeof tok, "*%d,", n);
    return text.find(std::string_view(tok, len)) != std::string_view::npos;
  };
  for (int i = 0; i < 50; ++i)
    if (present(100 + i)) { q.HouseSource = static_cast<uint8_t>(i); break; }
  for (int i = 0; i < 50; ++i)
    if (present(150 + i)) { q.RuledSource = static_cast<uint8_t>(i); break; }
  for (int i = 0; i < 3; ++i)
    if (present(200 + i)) { q.Motion = static_cast<uint8_t>(i); break; }
  q.AllConditions = present(210) ? 1 : 0;
  q.Negate = present(215) ? 1 : 0;
  for (int n = 1; n <= 12; ++n) {
    if (present(n)) Qualifier::SetBit(q.Signs, n);
    if (present(n + 12)) Qualifier::SetBit(q.Houses, n);
    if (present(n + 24)) Qualifier::SetBit(q.RuledHouses, n);
  }
  return q;
}

PriceLevel ParsePriceLevel(std::string_view text) {
  PriceLevel p{0, 1.0, 1, 2};
  auto w = Split(Cut255(text), ';', true);
  int32_t i = 0;
  double r = 0;
  if (w.size() > 0 && IntWord(w[0], i)) p.B = static_cast<uint8_t>(i & 0xFF);
  if (w.size() > 1 && RealWord(w[1], r)) p.R = r;
  if (w.size() > 2 && IntWord(w[2], i)) p.I1 = i;
  if (w.size() > 3 && IntWord(w[3], i)) p.I2 = i;
  return p;
}

UserWave ParseUserWave(std::string_view text) {
  UserWave u{};
  u.Period = 30.0;
  for (auto& c : u.Comp) c = {0.0f, 0.0f, 1.0f};
  auto w = Split(text, '\x01', false);
  int32_t i = 0;
  double r = 0;
  if (w.size() > 0 && IntWord(w[0], i)) u.B0 = static_cast<uint8_t>(i & 0xFF);
  if (w.size() > 1 && RealWord(w[1], r)) u.Period = r;
  for (int k = 0; k < 9; ++k)
    if (w.size() > size_t(2 + k) && IntWord(w[2 + k], i)) u.Bytes[k] = static_cast<uint8_t>(i & 0xFF);
  for (int k = 0; k < 12; ++k) {
    if (w.size() <= size_t(11 + k)) break;
    auto parts = Split(w[11 + k], '\x02', false);
    float v[3] = {0.0f, 0.0f, 1.0f};
    for (int j = 0; j < 3 && j < int(parts.size()); ++j)
      if (RealWord(parts[j], r)) v[j] = static_cast<float>(r);
    u.Comp[k] = {v[0], v[1], v[2]};
  }
  return u;
}

const std::string& DefaultUserWaveText() {
  static const std::string text = [] {
    std::string t;
    const char* fields[11] = {"0", "30", "0", "255", "1", "0", "0", "1", "0", "0", "0"};
    for (const char* f : fields) t += std::string(f) + '\x01';
    for (int k = 0; k < 12; ++k) t += std::string("0\x02" "0\x02" "1") + '\x01';
    return t;
  }();
  return text;
}

double WaveAtAngle(const UserWave& w, double x_deg) {
  double sum = 0;
  for (const auto& c : w.Comp) {
    if (c.A == 0 && c.B == 0) continue;
    double arg = x_deg * c.Z * astro::kDegToRad;
    sum += c.A * std::sin(arg) + c.B * std::cos(arg);
  }
  return sum;
}

double WaveAtSpan(const UserWave& w, double t) {
  // A period of zero (or a damaged record) has no phase; such a wave contributes nothing
  // instead of a NaN that would spoil the whole model value.
  if (!(w.Period != 0.0) || !std::isfinite(w.Period) || !std::isfinite(t)) return 0.0;
  double days = t / astro::DayInCenturies;
  double sum = 0;
  for (const auto& c : w.Comp) {
    if (c.A == 0 && c.B == 0) continue;
    double theta = std::fmod(360.0 * c.Z * days / w.Period, 360.0);
    if (theta < 0) theta += 360.0;
    double arg = theta * astro::kDegToRad;
    sum += c.A * std::sin(arg) + c.B * std::cos(arg);
  }
  return sum;
}

}  // namespace sd::model
