// stockdyn study in shards as a cluster runs it: each shard a process of its own writing its
// partial file, `study merge` writing the whole study's document, details and report byte for
// byte, whatever the number of shards and the order the files are named in; and every set of
// files that is not one whole run refused with nothing written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "../support/scratch_dir.h"
#include "child_process.h"
#include "price_walk.h"

namespace sd {
namespace {

namespace fs = std::filesystem;
using sd::testing::ChildResult;
using sd::testing::RunTool;

class StudyShardsCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    using std::chrono::day;
    using std::chrono::month;
    using std::chrono::year;
    Write("prices/a.csv", Walk(year{1994} / month{1} / day{3}, year{1996} / month{6} / day{28}, 11));
    Write("prices/ibm.csv", Walk(year{1994} / month{6} / day{1}, year{1996} / month{12} / day{31}, 12));
    universe_ = Write("universe.csv", "prices,label,security\nprices/a.csv,walk a,\nprices/ibm.csv,ibm,IBM Corp\n");
  }
  std::string Write(const std::string& name, const std::string& text) { return scratch_.Write(name, text); }
  std::string File(const std::string& name) const { return scratch_.File(name); }

  static std::string Read(const std::string& path) { return testing_support::ScratchDir::ReadAll(path); }

  static std::string Walk(std::chrono::sys_days first, std::chrono::sys_days last, unsigned seed) {
    return sd::testing::WalkCsv(first, last, seed);
  }

  std::vector<std::string> Study(const std::string& permutations = "19") {
    return {"study", "--universe", universe_, "--zone", "-5", "--permutations", permutations, "--random-natal", "3",
            "--window", "5", "--horizon", "3", "--families",
            "lunation,station,ingress:1,aspect:0:1,natal:0,natal:1:0,state:lunar,state:retrograde,state:sign:0"};
  }

  // Runs shards 0..count-1 of `study`, each writing its partial file named after `tag`.
  std::vector<std::string> Shards(const std::vector<std::string>& study, int count, const std::string& tag) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
      const std::string path = File(tag + "-" + std::to_string(i) + ".partial");
      std::vector<std::string> args = study;
      args.insert(args.end(), {"--shard", std::to_string(i) + "/" + std::to_string(count), "--partial", path});
      const ChildResult r = RunTool(args);
      EXPECT_EQ(r.exit_status, 0) << r.err;
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(r.err, "stockdyn study: written to " + path + "\n");
      paths.push_back(path);
    }
    return paths;
  }

  testing_support::ScratchDir scratch_;
  std::string universe_;
};

TEST_F(StudyShardsCommand, MergeWritesTheWholeStudyByteForByteInAnyOrder) {
  const std::string details = File("details.csv"), report = File("report.html");
  std::vector<std::string> whole_args = Study();
  whole_args.insert(whole_args.end(), {"--details", details, "--report", report});
  const ChildResult whole = RunTool(whole_args);
  ASSERT_EQ(whole.exit_status, 0) << whole.err;
  const std::string whole_details = Read(details), whole_report = Read(report);
  // What could differ is there: bands of tested families, natal families' random charts.
  const nlohmann::json doc = nlohmann::json::parse(whole.out);
  int banded = 0, random = 0;
  for (const auto& f : doc["families"]) {
    banded += f["band"].is_object();
    random += f["random_natal"].is_object() && f["random_natal"]["charts"] == 3;
  }
  ASSERT_GT(banded, 10);
  ASSERT_GT(random, 10);
  std::mt19937 shuffle(3);
  for (int count : {1, 2, 3, 7}) {
    SCOPED_TRACE(count);
    std::vector<std::string> parts = Shards(Study(), count, "n" + std::to_string(count));
    std::shuffle(parts.begin(), parts.end(), shuffle);
    const std::string merged_details = File("merged-details.csv");
    const std::string merged_report = File("merged-report.html");
    std::vector<std::string> merge = {"study", "merge"};
    merge.insert(merge.end(), parts.begin(), parts.end());
    merge.insert(merge.end(), {"--details", merged_details, "--report", merged_report});
    const ChildResult r = RunTool(merge);
    ASSERT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(r.out, whole.out);
    EXPECT_EQ(Read(merged_details), whole_details);
    EXPECT_EQ(Read(merged_report), whole_report);
    fs::remove(merged_details);
    fs::remove(merged_report);
    if (count == 3)
      for (const char* format : {"csv", "text"}) {
        std::vector<std::string> as_whole = Study(), as_merge = {"study", "merge", "--format", format};
        as_whole.insert(as_whole.end(), {"--format", format});
        as_merge.insert(as_merge.end(), parts.begin(), parts.end());
        const ChildResult a = RunTool(as_whole), b = RunTool(as_merge);
        ASSERT_EQ(a.exit_status, 0) << a.err;
        EXPECT_EQ(b.exit_status, 0) << b.err;
        EXPECT_EQ(b.out, a.out) << format;
      }
  }
}

TEST_F(StudyShardsCommand, MergeRefusesWhatIsNotOneWholeRunAndWritesNothing) {
  const std::vector<std::string> three = Shards(Study(), 3, "run");
  const std::vector<std::string> other = Shards(Study("29"), 3, "other");
  const std::string cut = Write("cut.partial", Read(three[1]).substr(0, Read(three[1]).size() * 2 / 3));
  // A price file changed after the first shards ran: the last shard reads other bytes.
  const std::string saved = Read(File("prices/a.csv"));
  Write("prices/a.csv", saved + "1996-07-01,51.5\n");
  const std::vector<std::string> changed = Shards(Study(), 3, "changed");
  Write("prices/a.csv", saved);
  const struct {
    const char* what;
    std::vector<std::string> files;
    std::string message;
  } cases[] = {
      {"a shard missing", {three[0], three[2]}, "shard 1 of 3 is missing: the merge needs the partial file of every shard"},
      {"a shard twice", {three[0], three[1], three[1], three[2]}, "shard 1 of 3 is given twice: " + three[1] + " and " + three[1]},
      {"other arguments", {three[0], three[1], other[2]},
       three[0] + " and " + other[2] + " are not of the same run: their arguments differ ('--permutations 19' in one, "
       "'--permutations 29' in the other)"},
      {"other input", {three[0], three[1], changed[2]},
       three[0] + " and " + changed[2] + " are not of the same run: their input files differ ('" +
           File("prices/a.csv")},
      {"truncated", {three[0], cut, three[2]}, cut + ": truncated or damaged"},
      {"not a partial", {three[0], universe_, three[2]}, universe_ + ": not a partial study file"},
  };
  const std::string report = File("report.html");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> merge = {"study", "merge"};
    merge.insert(merge.end(), c.files.begin(), c.files.end());
    merge.insert(merge.end(), {"--report", report});
    const ChildResult r = RunTool(merge);
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("stockdyn study merge: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(report));
  }
  // The details are found again from the inputs at the merge: not from inputs that changed.
  Write("prices/a.csv", saved + "1996-07-01,51.5\n");
  const std::string details = File("details.csv");
  const ChildResult r = RunTool({"study", "merge", three[0], three[1], three[2], "--details", details});
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("--details: the study's input files changed since its shards ran ('" +
                       File("prices/a.csv")),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(details));
}

TEST_F(StudyShardsCommand, ShardOptionsThatCannotBeRunAreUsageErrors) {
  const std::string partial = File("p.partial");
  const struct {
    std::vector<std::string> extra;
    const char* message;
  } cases[] = {
      {{"--shard", "3/3", "--partial", partial}, "--shard must be I/N"},
      {{"--shard", "0/0", "--partial", partial}, "--shard must be I/N"},
      {{"--shard", "1", "--partial", partial}, "--shard must be I/N"},
      {{"--shard", "a/2", "--partial", partial}, "--shard must be I/N"},
      {{"--shard", "0/2"}, "--shard and --partial go together"},
      {{"--partial", partial}, "--shard and --partial go together"},
      {{"--shard", "0/2", "--partial", partial, "--format", "csv"}, "go to 'stockdyn study merge'"},
      {{"--shard", "0/2", "--partial", partial, "--details", partial + ".csv"}, "go to 'stockdyn study merge'"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = Study();
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const ChildResult r = RunTool(args);
    EXPECT_EQ(r.exit_status, 2) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(partial));
  }
  const ChildResult none = RunTool({"study", "merge"});
  EXPECT_EQ(none.exit_status, 2);
  EXPECT_NE(none.err.find("name the partial file of every shard"), std::string::npos) << none.err;
}

}  // namespace
}  // namespace sd
