// stockdyn natal: lists the natal database, builds it from a CSV file and writes it back as CSV.
#include <cmath>
#include <cstdio>
#include <string>

#include "astro/calendar.h"
#include "data/trim.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/output_kinds.h"
#include "data/atomic_file.h"
#include "data/cp1251.h"
#include "data/data_error.h"
#include "data/natal_csv.h"
#include "data/natal_db.h"
#include "host/query.h"

namespace sd::cli {
namespace {

const char kNatalUsage[] =
    "usage: stockdyn natal list DB\n"
    "       stockdyn natal import CSV DB [--tickers FILE] [--scramble] [--force]\n"
    "       stockdyn natal export DB CSV [--force]\n"
    "\n"
    "The natal database (e.g. Nyse.mil): one 369-byte record of first-trade data per security.\n"
    "  list     one line per record, tab separated: name, date, local time, zone hours, place\n"
    "  import   builds DB from CSV. The CSV is UTF-8 with a header row naming at least the\n"
    "           columns name, date (YYYY-MM-DD), time (HH:MM[:SS], local), zone_hours (east\n"
    "           positive, decimal or H:MM), place, latitude and longitude (decimal degrees,\n"
    "           north and east positive); other columns are ignored. Times, zones and\n"
    "           co-ordinates are stored to the whole second, texts in code page 1251.\n"
    "           --scramble stores every record scrambled; names then have the form\n"
    "           NAME@SUFFIX, and are read back as such. --tickers writes the CSV's ticker\n"
    "           column to FILE (ticker,name): the database has no room for tickers, and the\n"
    "           API and this tool accept a ticker of tickers.csv beside the database (the\n"
    "           program directory's) as the name of its security.\n"
    "  export   writes DB as such a CSV file (name,date,time,zone_hours,place,latitude,longitude)\n"
    "DB must end in .mil. import replaces only a natal database and export only such a CSV\n"
    "file, and neither writes over its input, unless --force is given. Nothing is written when the input has an error; the message names the\n"
    "line and the field.\n";

constexpr std::string_view kCommand = "natal";

int Usage(const std::string& why) { return UsageError(kCommand, why); }

bool IsMilPath(const std::string& path) {
  return data::NatalDatabase::DetectKind(path) == data::kNatalKindMil;
}

// A field of a record that may hold anything: shown as it is when it has no readable form.
std::string ShownDate(const data::NatalRecord& r) {
  const std::string d = FormatNatalDate(r);
  if (!d.empty()) return d;
  return std::to_string(r.Year) + "-" + std::to_string(r.Month) + "-" + std::to_string(r.Day);
}
std::string ShownNumber(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.10g", v);
  return buf;
}
std::string ShownClock(double packed) {
  const std::string t = data::FormatPackedClock(packed);
  return t.empty() ? ShownNumber(packed) : t;
}
std::string ShownZone(double packed) {
  if (std::isfinite(packed) && std::fabs(packed) <= 24)
    return data::FormatDecimal(astro::HmsToDecimal(packed));
  return ShownNumber(packed);
}

// What a browser sends for a form field: letters, digits and *-._ as they are, blanks as '+',
// every other byte as %XX.
std::string FormEncoded(std::string_view value) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : value) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '*' ||
        c == '-' || c == '.' || c == '_') {
      out += ch;
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// True when the name, sent from the web form, reaches the lookup as itself: the request decoding
// turns only a few escapes back into characters.
bool FormCanRequest(std::string_view name) {
  const std::string sent = host::DecodeQuery(std::string("D3_NATAL_DATA_TOWNS=") + FormEncoded(name));
  return data::TrimNameBlanks(host::QueryParam("D3_NATAL_DATA_TOWNS", sent)) == data::TrimNameBlanks(name);
}

int List(const std::string& db) {
  const std::vector<data::NatalRecord> records = data::ReadNatalDatabase(db);
  std::string out;
  for (const data::NatalRecord& r : records) {
    out += data::Cp1251ToUtf8(r.Name.View()) + '\t' + ShownDate(r) + '\t' + ShownClock(r.LocalTime) +
           '\t' + ShownZone(r.Zone) + '\t' + data::Cp1251ToUtf8(r.PlaceText.View()) + '\n';
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int Import(const std::string& csv, const std::string& db, const std::string& tickers, bool scramble, bool force) {
  CheckOutput(db, kNatalDatabase, {csv}, force);
  if (!tickers.empty()) CheckOutput(tickers, kTickersCsv, {csv, db}, force);
  const std::string text = data::ReadWholeFile(csv);
  std::vector<data::NatalRecord> records;
  try {
    records = data::ParseNatalCsv(text, scramble);
  } catch (const data::NatalCsvError& e) {
    std::fprintf(stderr, "stockdyn natal import: %s: %s\n", csv.c_str(), e.what());
    return 1;
  }
  WriteNatalDatabase(db, records);
  SayWritten("natal import", db, std::to_string(records.size()) + " records");
  if (!tickers.empty()) {
    const std::vector<data::TickerRow> rows = data::TickersOfCsv(text);
    data::WriteFileAtomically(tickers, FormatTickersCsv(rows));
    SayWritten("natal import", tickers, std::to_string(rows.size()) + " tickers");
  }
  for (data::NatalRecord r : records) {
    UnscrambleNatalRecord(r);
    if (!FormCanRequest(r.Name.View())) {
      std::fprintf(stderr,
                   "stockdyn natal import: warning: '%s' cannot be requested from the web form "
                   "(a request does not carry some of its characters unchanged)\n",
                   data::Cp1251ToUtf8(r.Name.View()).c_str());
    }
  }
  std::fprintf(stderr, "%s: %zu records\n", db.c_str(), records.size());
  return 0;
}

int Export(const std::string& db, const std::string& csv, bool force) {
  CheckOutput(csv, kNatalCsv, {db}, force);
  const std::vector<data::NatalRecord> records = data::ReadNatalDatabase(db);
  std::string text;
  try {
    text = FormatNatalCsv(records);
  } catch (const data::NatalCsvError& e) {
    // The error's line is the row the record would have had; name the record instead.
    std::fprintf(stderr, "stockdyn natal export: %s: record %d, field '%s': %s\n", db.c_str(),
                 e.line() - 1, e.field().c_str(), e.reason().c_str());
    return 1;
  }
  data::WriteFileAtomically(csv, text);
  SayWritten("natal export", csv);
  return 0;
}

}  // namespace

int RunNatal(const Args& args) {
  if (const auto status = CheckAction(args, {"list", "import", "export"}, kCommand))
    return *status;
  std::string db, csv, tickers;
  bool scramble = false, force = false;
  CLI::App app{"", "stockdyn natal"};
  SetUpParser(app);
  app.require_subcommand(1);
  CLI::App* list = app.add_subcommand("list");
  list->add_option("DB", db)->required();
  CLI::App* import = app.add_subcommand("import");
  import->add_option("CSV", csv)->required();
  import->add_option("DB", db)->required();
  import->add_option("--tickers", tickers);
  import->add_flag("--scramble", scramble);
  import->add_flag("--force", force);
  CLI::App* export_ = app.add_subcommand("export");
  export_->add_option("DB", db)->required();
  export_->add_option("CSV", csv)->required();
  export_->add_flag("--force", force);
  if (const auto status = ParseArguments(app, args, kCommand, kNatalUsage)) return *status;
  if (!IsMilPath(db)) return Usage("the database name must end in .mil");

  const std::string& action = args[0];
  try {
    if (list->parsed()) return List(db);
    if (import->parsed()) return Import(csv, db, tickers, scramble, force);
    return Export(db, csv, force);
  } catch (const data::OutputRefused& e) {
    std::fprintf(stderr, "stockdyn natal %s: %s\n", action.c_str(), e.what());
    return 1;
  } catch (const data::DataFileError& e) {
    std::fprintf(stderr, "stockdyn natal %s: %s\n", action.c_str(), e.what());
    return 1;
  }
}

}  // namespace sd::cli
