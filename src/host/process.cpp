#include "host/process.h"

#include "data/data_error.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "host/program_dir.h"

namespace sd::host {

ProcessState& Process() {
  static ProcessState state;
  return state;
}

RequestCharts& ProcessCharts() {
  auto& charts = Process().charts;
  if (!charts) throw std::logic_error("request charts used outside StartUp .. CleanUp");
  return *charts;
}

std::unique_ptr<RequestCharts> NewRequestCharts(const LocalDateTime& now) {
  auto charts = std::make_unique<RequestCharts>();
  SetStartUpSwitches(charts->Natal);
  for (astro::ChartData* c : {&charts->Natal, &charts->TransitEvent, &charts->Transit})
    SetDefaultEvent(*c, now);
  return charts;
}

std::unique_ptr<eval::TPlanetary_T> OpenMetricTable(const std::string& program_dir) {
  // Without a table the forecast still runs and only the events that read it score nothing.
  // A table that is there but cannot be read stops the run like any other unreadable data
  // file: a forecast quietly missing part of its model would pass for a whole one.
  const std::string path = eval::MetricsPathIn(program_dir);
  auto table = std::make_unique<eval::TPlanetary_T>(path);
  if (table->State() == eval::TPlanetary_T::Source::kRejected)
    throw data::DataFileError(path, table->Problem());
  return table;
}

void SetDefaultEvent(astro::ChartData& slot, const LocalDateTime& now) {
  slot.ChartName.Set(kDefaultChartName);
  astro::EventBlock& ev = slot.Event;
  ev.Year = now.year;
  ev.Month = now.month;
  ev.Day = now.day;
  ev.LocalTime = PackedClockTime(now);
  ev.Zone = kDefaultZone;
  ev.PlaceText.Set(kDefaultPlaceText);
  ev.PlaceLatitude = kDefaultLatitude;
  ev.PlaceLongitude = kDefaultLongitude;
  ev.PlaceExtra = 0.0;
}

void SetStartUpSwitches(astro::ChartData& slot) {
  static constexpr int kOn[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 18, 21, 24, 27, 30};
  static constexpr int kIntermediateCusps[] = {19, 20, 22, 23, 25, 26, 28, 29};
  slot.ObjectOn.fill(0);
  for (int n : kOn) slot.ObjectOn[n] = 1;
  for (int n : kIntermediateCusps) slot.ObjectOn[n] = 9;
}

void StartUp(const LocalDateTime& now) { StartUp(now, ProgramDir("")); }

void StartUp(const LocalDateTime& now, const std::string& program_dir) {
  ProcessState& p = Process();
  p.metric_table = OpenMetricTable(program_dir);
  p.charts = NewRequestCharts(now);
  // A missing or unreadable towns file stops the run here (DataFileError); what start-up
  // created so far is released first.
  try {
    p.towns = std::make_unique<data::T_Towns>(program_dir);
  } catch (...) {
    CleanUp();
    throw;
  }

  // Two requests in the same second must still draw different picture numbers.
  const auto ticks = static_cast<uint64_t>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count());
  const auto pid = static_cast<uint32_t>(getpid());
  std::seed_seq seed{static_cast<uint32_t>(ticks), static_cast<uint32_t>(ticks >> 32), pid};
  p.random.seed(seed);
}

void CleanUp() {
  ProcessState& p = Process();
  p.charts.reset();
  p.towns.reset();
  p.metric_table.reset();
}

int DrawPictureNumber() {
  std::uniform_int_distribution<int> number(0, 8999);
  return number(Process().random);
}

}  // namespace sd::host
