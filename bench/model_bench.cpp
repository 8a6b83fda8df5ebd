// Cost of the model's per-candidate filters at the sizes one aspect event reaches per moment
// (40 x 40 object pairs), and of loading the shipped model once per forecast.
#include <benchmark/benchmark.h>

#include <string>

#include "astro/moment_snapshot.h"
#include "model/conditions.h"
#include "model/ev_list.h"
#include "model/field_text.h"

namespace {

struct Charts {
  sd::astro::ChartData natal, transit;
  sd::astro::MomentSnapshot snap;
  const sd::astro::MomentSnapshot* list[1] = {&snap};
  Charts() {
    for (int n = 0; n < sd::astro::kObjectCount; ++n) {
      if (n >= 10 && n <= 14) continue;
      natal.ObjectOn[n] = 1;
      natal.Object[sd::astro::kLongitude][n] = 9.7 * n;
      transit.Object[sd::astro::kLongitude][n] = 13.1 * n;
    }
    for (int p = 0; p < sd::astro::kPlanetCount; ++p) {
      natal.Planet[sd::astro::kPhaseAngle][p] = 3.0 * p;
      transit.Planet[sd::astro::kPhaseAngle][p] = 4.0 * p;
    }
    sd::astro::FillSnapshot(snap, transit);
  }
  sd::model::Snapshots snaps() const { return sd::model::Snapshots(list, 1); }
};

void BM_EventConditionAllPairs(benchmark::State& state) {
  Charts c;
  sd::model::FactorRecord rec;
  rec.Def.Kind = 2;
  rec.Def.K.k2.SecondChart = 1;
  rec.Def.K.k2.Coordinate = static_cast<uint8_t>(state.range(0));
  for (auto _ : state) {
    int passed = 0;
    for (int a = 0; a < sd::astro::kObjectCount; ++a)
      for (int b = 0; b < sd::astro::kObjectCount; ++b) {
        rec.Obj[0] = static_cast<uint8_t>(a);
        rec.Obj[1] = static_cast<uint8_t>(b);
        passed += sd::model::EventCondition(rec, c.snaps(), c.natal);
      }
    benchmark::DoNotOptimize(passed);
  }
  state.SetItemsProcessed(state.iterations() * sd::astro::kObjectCount * sd::astro::kObjectCount);
}
BENCHMARK(BM_EventConditionAllPairs)->Arg(0)->Arg(7);

void BM_QualifierTestAllObjects(benchmark::State& state) {
  Charts c;
  const sd::model::Qualifier q =
      sd::model::ParseQualifier(state.range(0) ? "*1,*5,*14,*20,*25,*101,*151,*201,*210," : "*101,");
  for (auto _ : state) {
    int passed = 0;
    for (int n = 0; n < sd::astro::kObjectCount; ++n)
      passed += sd::model::QualifierTest(n, 1, q, 0, c.snaps(), c.snaps(), c.natal, c.natal);
    benchmark::DoNotOptimize(passed);
  }
  state.SetItemsProcessed(state.iterations() * sd::astro::kObjectCount);
}
BENCHMARK(BM_QualifierTestAllObjects)->Arg(0)->Arg(1);

void BM_LoadShippedModel(benchmark::State& state) {
  const std::string path = std::string(STOCKDYN_SOURCE_DIR) + "/assets/stock.hyp";
  for (auto _ : state) {
    sd::model::TEvList list;
    list.Load(path);
    benchmark::DoNotOptimize(list.Count());
  }
}
BENCHMARK(BM_LoadShippedModel);

}  // namespace

BENCHMARK_MAIN();
