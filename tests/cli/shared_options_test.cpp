// The options forecast, events, evaluate and fit read alike: each usage error is refused with
// status 2 before any file is touched, in the command's own words, and the first error in
// checking order is the one reported.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "cli/commands.h"

namespace sd::cli {
namespace {

struct UsageCase {
  const char* name;
  const char* command;
  int (*run)(const Args& args);
  Args args;
  std::string why;  // what follows "stockdyn <command>: " (a prefix of it)
};

void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.name; }

const Args kSecurity = {"--security", "IBM Corp"};
const Args kStudy = {"--security", "IBM Corp", "--prices", "p.csv"};
const Args kFit = {"--security", "IBM Corp", "--prices", "p.csv", "--horizon", "5", "--out", "o.hyp"};

Args With(Args base, const Args& more) {
  base.insert(base.end(), more.begin(), more.end());
  return base;
}

const std::string kZoneWhy = "--zone must be hours east of Greenwich (-5, 5.5 or 5:30, at most 14)";
const std::string kSeedWhy = "--seed must be a whole number from 0 to 9999999999999999999";

const UsageCase kCases[] = {
    {"ForecastWithoutSecurity", "forecast", RunForecastCommand, {"--date", "2021-02-03"}, "--security is required"},
    {"EventsWithoutSecurity", "events", RunEvents, {}, "give --security NAME or --sky"},
    {"EvaluateWithoutSecurity", "evaluate", RunEvaluate, {"--prices", "p.csv"}, "--security is required"},
    {"FitWithoutPrices", "fit", RunFit, kSecurity, "--prices is required"},
    {"ForecastFormat", "forecast", RunForecastCommand, With(kSecurity, {"--format", "html"}),
     "--format must be csv, json or text"},
    {"EventsFormat", "events", RunEvents, With(kSecurity, {"--format", "xml"}), "--format must be json, csv, text or ics"},
    {"EvaluateFormat", "evaluate", RunEvaluate, With(kStudy, {"--format", "csv"}), "--format must be json or text"},
    {"FitFormat", "fit", RunFit, With(kFit, {"--format", "csv"}), "--format must be json or text"},
    {"FormatBeforeZone", "evaluate", RunEvaluate, With(kStudy, {"--zone", "XYZ", "--format", "csv"}), "--format must be json or text"},
    {"ForecastZone", "forecast", RunForecastCommand, With(kSecurity, {"--zone", "15"}), kZoneWhy},
    {"FitZone", "fit", RunFit, With(kFit, {"--zone", "XYZ"}), kZoneWhy},
    {"ZoneBeforeDate", "events", RunEvents, With(kSecurity, {"--date", "x", "--zone", "XYZ"}), kZoneWhy},
    {"EvaluateDatabaseZone", "evaluate", RunEvaluate, With(kStudy, {"--zone", "Europe/London"}),
     "--zone: a time-zone name has no one offset over a price span"},
    {"ForecastZoneNotInTheDatabase", "forecast", RunForecastCommand, With(kSecurity, {"--zone", "America/Nowhere"}),
     "--zone: 'America/Nowhere' is not in the time-zone database"},
    {"EventsNoSuchDate", "events", RunEvents, With(kSecurity, {"--date", "2021-02-29"}), "--date: there is no date 2021-02-29"},
    {"ForecastDateForm", "forecast", RunForecastCommand, With(kSecurity, {"--date", "21-02-03"}),
     "--date: must be a date YYYY-MM-DD, not '21-02-03'"},
    {"DateBeforeDays", "events", RunEvents, With(kSecurity, {"--days", "0", "--date", "x"}), "--date: must be a date"},
    {"EvaluateFrom", "evaluate", RunEvaluate, With(kStudy, {"--from", "2001-13-01"}),
     "--from must be a date YYYY-MM-DD, not '2001-13-01'"},
    {"EvaluateToAfterFrom", "evaluate", RunEvaluate, With(kStudy, {"--from", "2001-01-02", "--to", "2001-01-01"}),
     "--from is after --to"},
    {"FitDatesInOrderOfTheSpans", "fit", RunFit, With(kFit, {"--test-to", "x", "--train-to", "2001-02-30"}),
     "--train-to must be a date YYYY-MM-DD, not '2001-02-30'"},
    {"EvaluatePermutations", "evaluate", RunEvaluate, With(kStudy, {"--permutations", "1000001"}),
     "--permutations must be from 0 to 1000000"},
    {"FitPermutationsBeforeRandomNatal", "fit", RunFit, With(kFit, {"--random-natal", "-1", "--permutations", "-1"}),
     "--permutations must be from 0 to 1000000"},
    {"FitRandomNatal", "fit", RunFit, With(kFit, {"--random-natal", "10001"}), "--random-natal must be from 0 to 10000"},
    {"EvaluateSeedNotANumber", "evaluate", RunEvaluate, With(kStudy, {"--seed", "12a"}), kSeedWhy},
    {"FitSeedTooLong", "fit", RunFit, With(kFit, {"--seed", "12345678901234567890"}), kSeedWhy},
    {"EvaluateThreadsBeforeSeed", "evaluate", RunEvaluate, With(kStudy, {"--seed", "x", "--threads", "0"}),
     "--threads must be from 1 to 256"},
};

class UsageErrors : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrors, RefusedInTheCommandsWordsPointingToItsHelp) {
  const UsageCase& c = GetParam();
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int status = c.run(c.args);
  const std::string out = testing::internal::GetCapturedStdout();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(status, 2) << err;
  EXPECT_EQ(out, "");
  const std::string head = "stockdyn " + std::string(c.command) + ": ";
  const size_t line_end = err.find('\n');
  ASSERT_NE(line_end, std::string::npos) << err;
  const std::string first = err.substr(0, line_end);
  EXPECT_EQ(first.substr(0, head.size() + c.why.size()), head + c.why) << first;
  // One line for the fault and one pointing to the help, not the whole usage burying the fault.
  EXPECT_EQ(err.substr(line_end + 1), "Run 'stockdyn " + std::string(c.command) + " --help' for its options.\n");
}

INSTANTIATE_TEST_SUITE_P(Commands, UsageErrors, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// What no option takes is named in the order typed, a mistyped option with the one it most
// likely meant (also where the typo leaves a required option missing), a value typed after an
// unknown option not named again.
TEST(UnknownArguments, NamedInOrderWithTheOptionMeant) {
  const UsageCase cases[] = {
      {"TypoOfARequiredOption", "forecast", RunForecastCommand, {"--secuirty", "IBM Corp"},
       "unknown option '--secuirty' (did you mean '--security'?)"},
      {"TyposAndAStray", "evaluate", RunEvaluate, With(kStudy, {"--zoen", "EST", "extra"}),
       "unknown option '--zoen' (did you mean '--zone'?); unexpected argument 'extra'"},
      {"SingularForPlural", "evaluate", RunEvaluate, With(kStudy, {"--horizon", "5"}),
       "unknown option '--horizon' (did you mean '--horizons'?)"},
      {"NothingClose", "fit", RunFit, With(kFit, {"--wibble"}), "unknown option '--wibble'"},
      {"AttachedValue", "events", RunEvents, With(kSecurity, {"--dayz=5"}), "unknown option '--dayz' (did you mean '--days'?)"},
  };
  for (const UsageCase& c : cases) {
    SCOPED_TRACE(c.name);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = c.run(c.args);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 2);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err.substr(0, err.find('\n')), "stockdyn " + std::string(c.command) + ": " + c.why);
  }
}

}  // namespace
}  // namespace sd::cli
