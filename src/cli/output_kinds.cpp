#include "cli/output_kinds.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "data/natal_csv.h"
#include "data/natal_db.h"
#include "data/towns.h"
#include "eval/metric_table.h"
#include "eventstudy/document.h"
#include "eventstudy/partial.h"
#include "forecast/model_value.h"
#include "host/picture_name.h"
#include "render/gif_output.h"
#include "study/report.h"

namespace sd::cli {
namespace {

// The first line without its line end (and without a UTF-8 byte-order mark).
std::string_view FirstLine(std::string_view head) {
  if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
  const size_t end = head.find('\n');
  std::string_view line = head.substr(0, end);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    const auto a = static_cast<unsigned char>(text[i]);
    const auto b = static_cast<unsigned char>(prefix[i]);
    if (std::tolower(a) != std::tolower(b)) return false;
  }
  return true;
}

bool IsGif(std::string_view head, std::uintmax_t) {
  return head.substr(0, 6) == "GIF87a" || head.substr(0, 6) == "GIF89a";
}

// No header: only the record size tells.
bool IsNatalDatabase(std::string_view, std::uintmax_t size) { return size % data::kNatalRecordSize == 0; }

bool IsNatalCsv(std::string_view head, std::uintmax_t) {
  const std::string written = data::FormatNatalCsv({});
  return FirstLine(head) == FirstLine(written);
}

// Records of two planet numbers 0..9 and the samples.
bool IsMetricTable(std::string_view head, std::uintmax_t size) {
  if (size % eval::kMetricRecordBytes != 0 || head.size() < 8) return false;
  int32_t a = 0, b = 0;
  std::memcpy(&a, head.data(), 4);
  std::memcpy(&b, head.data() + 4, 4);
  return a >= 0 && a < eval::kMetricPlanets && b >= 0 && b < eval::kMetricPlanets;
}

// Both towns files are text (the scrambling of towns.nd never makes a zero byte).
bool IsText(std::string_view head, std::uintmax_t) { return head.find('\0') == std::string_view::npos; }

// Text with a line that starts an event's title: what the model loader reads as events. The
// site's settings and other INI files have sections too, but no "_H=".
bool IsModel(std::string_view head, std::uintmax_t size) {
  if (!IsText(head, size)) return false;
  size_t start = 0;
  while (start < head.size()) {
    size_t end = head.find('\n', start);
    if (end == std::string_view::npos) end = head.size();
    std::string_view line = head.substr(start, end - start);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (StartsWithNoCase(line, "_H=")) return true;
    start = end + 1;
  }
  return false;
}

bool IsTickersCsv(std::string_view head, std::uintmax_t) {
  return FirstLine(head) == FirstLine(data::FormatTickersCsv({}));
}

bool IsDetailsCsv(std::string_view head, std::uintmax_t) {
  return FirstLine(head) == study::kDetailsCsvHeader;
}

bool IsStudyDetailsCsv(std::string_view head, std::uintmax_t) {
  return FirstLine(head) == eventstudy::kStudyDetailsHeader;
}

bool IsStudyPartial(std::string_view head, std::uintmax_t) {
  return head.substr(0, eventstudy::kPartialMark.size()) == eventstudy::kPartialMark;
}

bool IsHtml(std::string_view head, std::uintmax_t) {
  return StartsWithNoCase(FirstLine(head), "<!DOCTYPE html") || StartsWithNoCase(FirstLine(head), "<html");
}

// An SVG document: its root element opens the text, after an XML declaration or not.
bool IsSvg(std::string_view head, std::uintmax_t size) {
  if (!IsText(head, size)) return false;
  std::string_view rest = head;
  if (rest.substr(0, 5) == "<?xml") {
    const size_t end = rest.find("?>");
    if (end == std::string_view::npos) return false;
    rest.remove_prefix(end + 2);
  }
  while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\n' || rest.front() == '\r' || rest.front() == '\t'))
    rest.remove_prefix(1);
  return rest.substr(0, 4) == "<svg";
}

}  // namespace

const data::OutputKind kGifPicture{"a GIF picture", IsGif};
const data::OutputKind kNatalDatabase{"a natal database", IsNatalDatabase};
const data::OutputKind kNatalCsv{"a natal CSV file (its header line differs)", IsNatalCsv};
const data::OutputKind kTickersCsv{"a tickers file (its header line differs)", IsTickersCsv};
const data::OutputKind kMetricTable{"a metric table", IsMetricTable};
const data::OutputKind kTownsFile{"a towns file", IsText};
const data::OutputKind kModelFile{"a model file (no event with _H=)", IsModel};
const data::OutputKind kDetailsCsv{"an evaluation details file (its header line differs)", IsDetailsCsv};
const data::OutputKind kHtmlReport{"an HTML file", IsHtml};
const data::OutputKind kSvgPicture{"an SVG picture", IsSvg};
const data::OutputKind kStudyDetailsCsv{"an event study details file (its header line differs)",
                                        IsStudyDetailsCsv};
const data::OutputKind kStudyPartial{"a partial event study", IsStudyPartial};

std::vector<std::string> ProgramDataFiles(const std::string& dir) {
  return {dir + data::kNatalFileName,   dir + forecast::kModelFileName,
          dir + data::kTownsDataFile,   dir + data::kTownsIndexFile,
          dir + eval::kMetricsFileName, dir + host::PictureNameMemory::kFileName};
}

}  // namespace sd::cli
