// Model files come from other systems and other hands: whatever the bytes, loading them and
// running the condition and qualifier tests over what loaded must neither crash nor hang.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "astro/moment_snapshot.h"
#include "model/conditions.h"
#include "model/ev_list.h"
#include "model/field_text.h"

namespace {

struct Charts {
  sd::astro::ChartData natal;
  sd::astro::MomentSnapshot snap;
  const sd::astro::MomentSnapshot* list[1] = {&snap};
  Charts() {
    sd::astro::ChartData transit;
    for (int n = 0; n < sd::astro::kObjectCount; ++n) {
      natal.ObjectOn[n] = n % 3 != 0;
      natal.Object[sd::astro::kLongitude][n] = 11.3 * n;
      transit.Object[sd::astro::kLongitude][n] = n % 4 ? 17.9 * n : sd::astro::NoValue;
    }
    sd::astro::FillSnapshot(snap, transit);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/sd_model_fuzz_" + std::to_string(::getpid()) + ".hyp";
  static const Charts charts;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // The text-valued fields on their own.
  sd::model::ParseQualifier(text);
  sd::model::ParsePriceLevel(text);
  sd::model::UserWave w = sd::model::ParseUserWave(text);
  sd::model::WaveAtAngle(w, 123.0);
  sd::model::WaveAtSpan(w, 0.5);

  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  sd::model::TEvList list;
  list.Load(path);
  const sd::model::Snapshots snaps(charts.list, 1);
  for (int i = 0; i < list.Count(); ++i) {
    sd::model::FactorRecord rec;
    rec.Def = list.Event(i).Def;
    for (int a = 0; a < 42; a += 7) {
      rec.Obj[0] = static_cast<uint8_t>(a);
      rec.Obj[1] = static_cast<uint8_t>(41 - a);
      rec.Obj[2] = static_cast<uint8_t>(a * 5);
      sd::model::EventCondition(rec, snaps, charts.natal);
    }
    if (rec.Def.Kind == 2) {
      sd::model::Qualifier q = rec.Def.K.k2.FirstQualifier;
      for (int n = 0; n < 40; n += 3)
        for (int k = 0; k < 3; ++k)
          sd::model::QualifierTest(n, k, q, rec.Def.K.k2.Coordinate, snaps, snaps, charts.natal, charts.natal);
    }
  }
  return 0;
}
