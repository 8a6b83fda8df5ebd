#include "model/event_parser.h"

#include <cstring>
#include <string>

#include "model/field_text.h"
#include "model/keywords.h"

namespace sd::model {

namespace {

template <typename T>
T Load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <typename T>
void Store(uint8_t* p, const T& v) {
  std::memcpy(p, &v, sizeof v);
}

enum class FieldResult { Ok, Unmapped };

// Reads one field of the kind part at its place in `part`.
// `raw` receives the number an object key held before renumbering.
FieldResult ReadField(const FieldSpec& f, uint8_t* part, data::TSpecIniFile& ini, std::string_view sec,
                      int mode, int& raw, const char* key_override = nullptr) {
  const char* key = key_override ? key_override : f.key;
  uint8_t* p = part + f.offset;
  const astro::ObjectSet empty;
  switch (f.type) {
    case FieldType::Byte: {
      int32_t def = f.kept ? p[0] : static_cast<int32_t>(f.value);
      p[0] = static_cast<uint8_t>(ini.ReadInteger(sec, key, def) & 0xFF);
      return FieldResult::Ok;
    }
    case FieldType::Int: {
      int32_t def = f.kept ? Load<int32_t>(p) : static_cast<int32_t>(f.value);
      Store<int32_t>(p, ini.ReadInteger(sec, key, def));
      return FieldResult::Ok;
    }
    case FieldType::Bool: {
      bool def = f.kept ? p[0] != 0 : f.value != 0;
      p[0] = ini.ReadBool(sec, key, def) ? 1 : 0;
      return FieldResult::Ok;
    }
    case FieldType::Real: {
      double def = f.kept ? Load<double>(p) : f.value;
      double v = 0;
      ini.ReadFloat(sec, key, v, def);
      Store<double>(p, v);
      return FieldResult::Ok;
    }
    case FieldType::Set:
    case FieldType::SetRenum: {
      astro::ObjectSet def = f.kept ? Load<astro::ObjectSet>(p) : (f.set ? *f.set : empty);
      astro::ObjectSet v;
      ini.ReadSet(sec, key, v, def);
      if (f.type == FieldType::SetRenum) v = RenumberSet(v, mode);
      Store<astro::ObjectSet>(p, v);
      return FieldResult::Ok;
    }
    case FieldType::Object: {
      int32_t def = f.kept ? p[0] : static_cast<int32_t>(f.value);
      raw = ini.ReadInteger(sec, key, def);
      p[0] = RenumberObject(raw, mode);
      return p[0] == kUnmapped ? FieldResult::Unmapped : FieldResult::Ok;
    }
    case FieldType::Mask3:
    case FieldType::Mask2: {
      astro::ObjectSet v;
      ini.ReadSet(sec, key, v, empty);
      p[0] = MaskOf(v, f.type == FieldType::Mask3 ? 3 : 2);
      return FieldResult::Ok;
    }
    case FieldType::Qualifier:
      Store<Qualifier>(p, ParseQualifier(ini.ReadString(sec, key, "")));
      return FieldResult::Ok;
    case FieldType::PriceLevel:
      Store<PriceLevel>(p, ParsePriceLevel(ini.ReadString(sec, key, "")));
      return FieldResult::Ok;
    case FieldType::Text15: {
      auto cur = Load<astro::ShortText<15>>(p);
      std::string def = f.kept ? cur.Str() : std::string();
      Store<astro::ShortText<15>>(p, astro::ShortText<15>(ini.ReadString(sec, key, def)));
      return FieldResult::Ok;
    }
    case FieldType::Ints70: {
      int32_t def[70] = {};
      if (f.kept) std::memcpy(def, p, sizeof def);
      int32_t v[70];
      ini.ReadIntArray(sec, key, 69, v, def);
      std::memcpy(p, v, sizeof v);
      return FieldResult::Ok;
    }
    case FieldType::UserWave:
      Store<UserWave>(p, ParseUserWave(ini.ReadString(sec, key, DefaultUserWaveText())));
      return FieldResult::Ok;
  }
  return FieldResult::Ok;
}

void Reject(ParsedEvent& out, Rejection why, const char* key = "", int value = 0) {
  out.accepted = false;
  out.why = why;
  out.bad_key = key;
  out.bad_value = value;
}

}  // namespace

bool ParseEvent(EventDef& def, data::TSpecIniFile& ini, std::string_view sec, int mode, ParsedEvent& out) {
  out = ParsedEvent{};
  out.header = ini.ReadString(sec, "_H", kHeaderAbsent);
  if (out.header == kHeaderAbsent) {
    out.header.clear();
    Reject(out, Rejection::NoHeader, "_H");
    return false;
  }

  def.CM = static_cast<uint8_t>(ini.ReadInteger(sec, "_CM", 0) & 0xFF);
  def.C = ini.ReadInteger(sec, "_C", 0);
  def.Kind = static_cast<uint8_t>(ini.ReadInteger(sec, "_T", 0) & 0xFF);
  def.COF = ini.ReadInteger(sec, "_COF", 100);
  for (int i = 0; i < 7; ++i) {
    std::string key = "VVal" + std::to_string(i + 1);
    def.VVal[i] = ini.ReadInteger(sec, key, 0);
  }
  def.UVL1 = ini.ReadBool(sec, "UVL1", true) ? 1 : 0;
  int32_t group = ini.ReadInteger(sec, "GrInd", 0);
  def.GrInd = (group >= 1 && group <= 49999) ? group : 0;
  double probab = 0;
  ini.ReadFloat(sec, "Probab", probab, 0.0);
  def.Probab = probab;

  ini.ReadFloat(sec, "WEIGHT", out.weight, astro::NoValue);
  ini.ReadFloat(sec, "Orb_Prop", out.orb_prop, astro::NoValue);
  ini.ReadFloat(sec, "Orb_Shift", out.orb_shift, astro::NoValue);

  const int kind = def.Kind;
  uint8_t* part = def.K.Raw;
  const auto fields = Kind(kind).fields;
  for (size_t i = 0; i < fields.size(); ++i) {
    const FieldSpec& f = fields[i];
    int raw = 0;

    // With "PRICE8" set, the one key "PRICE_1_1" fills all ten price bytes.
    if (kind == 36 && std::strncmp(f.key, "PRICE_1_", 8) == 0 && def.K.k36.PRICE8) {
      ReadField(f, part, ini, sec, mode, raw, "PRICE_1_1");
      continue;
    }

    if (ReadField(f, part, ini, sec, mode, raw) == FieldResult::Unmapped) {
      // An intercepted-sign event names its object through "IPL5" unless "IPL4" is 0, so
      // only then does "IPL2" have to exist in the current numbering.
      if (kind == 18 && def.K.k18.Mode != 0) continue;
      Reject(out, Rejection::UnmappedObject, f.key, raw);
      return false;
    }
    if (kind == 16 && std::strcmp(f.key, "PT8") == 0 && def.K.k16.Aspecting.Empty()) {
      Reject(out, Rejection::EmptyObjectSet, f.key);
      return false;
    }
  }

  out.accepted = true;
  return true;
}

}  // namespace sd::model
