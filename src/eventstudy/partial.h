#pragma once
// A shard of an event study as a file: what `stockdyn study --shard I/N --partial FILE` writes and
// `stockdyn study merge` reads back. Every partial carries the run's fingerprint (the program, the
// study's arguments, the content of its inputs) and the study's arguments; shard 0 carries also
// what the document shows of the series (their dates) and of each family and state without its
// null, the others only the null of their own units. None carries the observations themselves
// (the bulk of a study, and the same in every shard): a merge that writes the details finds them
// again from the inputs. So a partial is small next to the prices it was made from.
#include <deque>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "astro/chart_data.h"
#include "eventstudy/document.h"
#include "eventstudy/study.h"

namespace sd::eventstudy {

// What makes two shards parts of one run. Each field is text a person can read, one item a line,
// so that a refusal can say what differs.
struct Fingerprint {
  std::string Program;    // "stockdyn 0.1.0, build 1f2e...": the version and a hash of the program's bytes
  std::string Arguments;  // "--window 10\n...": the settings that change the result
  std::string Inputs;     // "path fnv64\n" per input file
};

// The program's line of a fingerprint: `version`, then a hash of the running program's own file,
// since another build of the same version may round differently.
std::string ProgramFingerprint(const std::string& version);
// "path fnv64" for each file, one a line (FNV-1a 64 of its bytes; "missing" when it cannot be read).
std::string InputsFingerprint(const std::vector<std::string>& paths);
// The first line where two fingerprints' texts differ, as "'A' in one, 'B' in the other".
std::string FirstDifference(const std::string& a, const std::string& b);

// The first bytes of every partial file.
inline constexpr std::string_view kPartialMark = "{\"stockdyn_study_partial\":";

// A partial file that cannot be merged; the message names the file and says why.
struct PartialError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Partial {
  Fingerprint Print;
  std::vector<std::string> StudyArgs;  // the study's arguments as given, less --shard and --partial
  StudyContext Context;
  std::vector<StudySeries> Series;  // shard 0 only; a series' Natal points into Charts when it had one
  StudyShard Shard;                 // its Observed without the events of the families and the runs of the states
  // The document says only whether a series had a natal chart; a merged study has the fact, not
  // the chart.
  std::deque<astro::ChartData> Charts;
};

// The partial file of `shard` (shard 0 with the series and what was observed).
std::string PartialText(const Fingerprint& print, const std::vector<std::string>& study_args,
                        const StudyContext& context, const std::vector<StudySeries>& series, const StudyShard& shard);
// Throws PartialError naming `name` when `text` is not one whole partial file (a truncated one
// included).
Partial ParsePartial(const std::string& text, const std::string& name);
Partial ReadPartial(const std::string& path);

// The whole study from the partials of one run, named by their files, in any order. Throws
// PartialError when they are of different runs (naming the two files and what differs), when a
// shard is missing or given twice.
struct MergedStudy {
  const Partial* First = nullptr;  // shard 0: its context and series
  StudyResult Result;
};
MergedStudy MergePartials(const std::vector<std::pair<std::string, Partial>>& partials);

}  // namespace sd::eventstudy
