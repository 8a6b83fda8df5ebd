#include "astro/calendar.h"
#include "astro/numeric.h"
#include "render/date_axis.h"

#include <algorithm>
#include <cmath>

namespace sd::render {

namespace {

constexpr const char* kMonthAbbrev3[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kMonthAbbrevDot[12] = {"Jan.", "Febr.", "Mar.", "Apr.", "May", "Jun.",
                                             "Jul.", "Aug.", "Sep.", "Oct.", "Nov.", "Dec."};

std::string MonthAbbrev3(int m) { return m >= 1 && m <= 12 ? kMonthAbbrev3[m - 1] : std::to_string(m); }
std::string MonthAbbrevDot(int m) { return m >= 1 && m <= 12 ? kMonthAbbrevDot[m - 1] : std::to_string(m); }

std::string TwoDigits(long n) {
  std::string s = std::to_string(n);
  return s.size() < 2 ? std::string(2 - s.size(), '0') + s : s;
}

// "Mar.21" or "03.21" in month-first order, the other way round in day-first order.
std::string MonthDay(const std::string& month, int day) {
  return DateOrderStyle == 1 ? month + "." + TwoDigits(day) : TwoDigits(day) + "." + month;
}

long FloorDiv(long a, long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// The year a year-scale label names: the first year of the hundred the column entered; years
// before 1 count backwards, so their hundred is rounded up in the BC numbering.
std::string HundredText(int year) {
  long h = FloorDiv(year, 100) * 100;
  return year >= 1 ? std::to_string(h) : std::to_string(-h) + " BC";
}

struct Units {
  int year, month, day;
  long hour, ten_min, five_min, minute, ten_sec;
};

Units UnitsOf(const astro::CivilDate& c) {
  double frac = c.hours - std::floor(c.hours);
  return {c.year,
          c.month,
          c.day,
          static_cast<long>(std::floor(c.hours)),
          static_cast<long>(std::floor(frac * 6)),
          static_cast<long>(std::floor(frac * 12)),
          static_cast<long>(std::floor(frac * 60)),
          static_cast<long>(std::floor(frac * 360))};
}

bool IsDayCode(int code) { return code == 72 || code == 71 || code == 7 || code == 93 || code == 92 ||
                                  code == 91 || code == 100 || code == 110; }

// What the label of one column is made from: its date against the date one column earlier,
// and its clock time written out.
struct ColumnDates {
  Units cur, prev;
  bool year_changes, month_changes, day_changes;
  std::string hour_label, minute_label;
};

ColumnDates CompareColumnDates(const astro::CivilDate& now, const astro::CivilDate& before) {
  ColumnDates c{UnitsOf(now), UnitsOf(before), false, false, false, {}, {}};
  double hour_form = now.hours;
  std::string suffix;
  if (TwelveHourClock == 1) {
    suffix = now.hours >= 12 ? " PM" : " AM";
    if (now.hours >= 12) hour_form -= 12;
    if (hour_form < 1) hour_form += 12;
  }
  const std::string hh = TwoDigits(static_cast<long>(std::floor(hour_form)));
  c.hour_label = hh + ":00" + suffix;
  c.minute_label = hh + ":" + TwoDigits(c.cur.minute) + suffix;
  c.year_changes = c.cur.year != c.prev.year;
  c.month_changes = c.cur.month != c.prev.month;
  c.day_changes = c.cur.day != c.prev.day;
  return c;
}

// Codes 0, 1 and 2: a label at most once a year.
void YearScaleLabel(int code, const ColumnDates& c, LabelKinds& kinds, std::string& label) {
  const Units& cur = c.cur;
  kinds |= kKindYear;
  switch (code) {
    case 0:
      if (c.year_changes) {
        if (FloorDiv(cur.year, 100) != FloorDiv(c.prev.year, 100))
          label = HundredText(cur.year);
        else if (FloorDiv(cur.year, 50) != FloorDiv(c.prev.year, 50))
          label = "**";
      }
      return;
    case 1:
      if (c.year_changes) {
        long r10 = ((cur.year % 10) + 10) % 10, r5 = ((cur.year % 5) + 5) % 5;
        label = r10 == 0 ? std::to_string(cur.year) : r5 == 0 ? "**" : "*";
      }
      return;
    default:
      if (c.year_changes) label = std::to_string(cur.year);
      else if (c.month_changes) label = "*";
      return;
  }
}

bool IsYearScale(int code) { return code == 0 || code == 1 || code == 2; }
bool IsMonthScale(int code) {
  return code == 3 || code == 31 || code == 4 || code == 5 || code == 51 || code == 6;
}

// Codes 3, 31, 4, 5, 51 and 6: labels at months and days, within one year.
void MonthScaleLabel(int code, const ColumnDates& c, LabelKinds& kinds, std::string& label) {
  const Units& cur = c.cur;
  switch (code) {
    case 3:
      kinds |= kKindDay;
      if (c.month_changes) label = MonthAbbrev3(cur.month);
      return;
    case 31:
    case 4:
    case 5:
      if (c.month_changes) {
        label = MonthAbbrev3(cur.month);
        kinds |= kKindDay | kKindMonth;
      } else if (c.day_changes) {
        if (cur.day == 10 || cur.day == 20) {
          label = code == 5 ? MonthDay(TwoDigits(cur.month), cur.day) : "**";
          if (code != 31) kinds |= kKindDay | kKindMonth;
        } else if (code != 31) {
          label = "*";
        }
      }
      return;
    case 51:
      if (c.month_changes) {
        label = MonthAbbrev3(cur.month);
      } else if (c.day_changes) {
        if (cur.day % 2 == 1 && cur.day >= 3 && cur.day <= 31) {
          label = MonthDay(MonthAbbrev3(cur.month), cur.day);
          kinds |= kKindDay | kKindMonth;
        } else {
          label = "*";
        }
      }
      return;
    default:  // 6
      if (c.month_changes || c.day_changes) {
        label = MonthDay(MonthAbbrev3(cur.month), cur.day);
        kinds |= kKindDay | kKindMonth;
      }
      return;
  }
}

// The day codes within one day: labels at hours, minutes and seconds.
void TimeOfDayLabel(int code, const ColumnDates& c, std::string& label) {
  const Units &cur = c.cur, &prev = c.prev;
  const bool hour_changes = cur.hour != prev.hour;
  switch (code) {
    case 72:
      if (hour_changes) label = (cur.hour == 6 || cur.hour == 12 || cur.hour == 18) ? c.hour_label : "*";
      return;
    case 71:
      if (hour_changes) label = cur.hour % 2 == 0 ? c.hour_label : "*";
      return;
    case 7:
      if (hour_changes) label = c.hour_label;
      else if (cur.ten_min != prev.ten_min) label = "**";
      return;
    case 93:
      if (hour_changes) label = c.hour_label;
      else if (cur.ten_min != prev.ten_min) label = c.minute_label;
      else if (cur.minute != prev.minute) label = "*";
      return;
    case 92:
      if (hour_changes) label = c.hour_label;
      else if (cur.five_min != prev.five_min) label = c.minute_label;
      else if (cur.minute != prev.minute) label = "*";
      return;
    case 91:
    case 100:
      if (hour_changes) label = c.hour_label;
      else if (cur.minute != prev.minute) label = c.minute_label;
      return;
    case 110:
      if (hour_changes) label = c.hour_label;
      else if (cur.minute != prev.minute) label = c.minute_label;
      else if (cur.ten_sec != prev.ten_sec) label = "*";
      return;
    default:
      return;
  }
}

}  // namespace

int AxisScaleCode(double u) {
  const double days = u * AxisZoomPercent / 100 / astro::DayInCenturies;
  if (days < 1e-6) return 110;
  if (days < 5e-6) return 100;
  if (days < 1e-5) return 91;
  if (days < 2e-4) return 92;
  if (days <= 5e-4) return 93;
  if (days < 0.002) return 7;
  if (days < 0.0032) return 71;
  if (days < 0.012) return 72;
  if (days < 0.05) return 6;
  if (days < 0.12) return 51;
  if (days < 0.3) return 5;
  if (days < 0.8) return 4;
  if (days < 1.4) return 31;
  if (days < 2.6) return 3;
  if (days < 19) return 2;
  if (days < 300) return 1;
  return 0;
}

bool IsNonTradingDay(int year, int month, int day) {
  if (MarkWeekends == 1) {
    // Julian day number of the date at noon; its remainder by 7 is 0 on Monday.
    const double jd = astro::JulianDay(astro::MomentFromDate(year, month, day, 12.0));
    const long weekday = static_cast<long>(std::floor(jd + 0.5)) % 7;  // 0 Monday .. 6 Sunday
    const long wd = weekday < 0 ? weekday + 7 : weekday;
    if (wd == 5 || wd == 6) return true;
  }
  if (month >= 1 && month <= 12 && day >= 1 && day <= 31) return HolidayTable[month - 1][day - 1] == 1;
  return false;
}

void AxisLabelAt(int code, LabelKinds& kinds, bool& non_trading, std::string& label, double d,
                 astro::ChartMoment m) {
  const astro::CivilDate now = astro::DateFromMoment(m);
  const ColumnDates c = CompareColumnDates(now, astro::DateFromMoment(m - d));
  non_trading = now.year > 0 ? IsNonTradingDay(now.year, now.month, now.day) : false;
  label.clear();
  if (IsYearScale(code)) return YearScaleLabel(code, c, kinds, label);
  // Finer scales name a new year wherever one begins.
  if (c.year_changes) {
    label = std::to_string(c.cur.year);
    kinds |= kKindYear;
    return;
  }
  if (IsMonthScale(code)) return MonthScaleLabel(code, c, kinds, label);
  if (!IsDayCode(code)) return;
  if (c.month_changes || c.day_changes) {
    label = MonthDay(TwoDigits(c.cur.month), c.cur.day);
    kinds |= kKindDay | kKindMonth;
    return;
  }
  TimeOfDayLabel(code, c, label);
}

std::string AxisCaption(LabelKinds kinds, int year, int month, int day) {
  const std::string y = std::to_string(year);
  if (kinds == kKindDay || kinds == (kKindDay | kKindMonth)) return y;
  if (kinds == kKindMonth) return MonthAbbrevDot(month) + " " + y;
  if (kinds == 0) return std::to_string(day) + " " + MonthAbbrevDot(month) + " " + y;
  return "";
}

AxisLayout LayoutDateAxis(const Rect& rect, int dpi, const ColumnMoment& column_moment, double zone_hours,
                          astro::ChartMoment end, astro::ChartMoment start) {
  AxisLayout out;
  const int span = rect.right - rect.left;
  if (span == 0) return out;
  const double factor = column_moment ? dpi * 0.7 / 96 * 3 : dpi / 96.0 * 3;
  out.code = AxisScaleCode((end - start) * factor / span);
  out.font_unit = static_cast<int>(std::nearbyint(((rect.bottom - rect.top) / 10) * 0.85));
  const double s = zone_hours * astro::DayInCenturies / 24;
  const double d = (end - start) / span;
  for (int x = rect.right; x >= rect.left; --x) {
    const astro::ChartMoment m =
        column_moment ? column_moment(x) + s : astro::LinearAt(x, rect.right, rect.left, end + s, start + s);
    bool w = false;
    std::string label;
    AxisLabelAt(out.code, out.kinds, w, label, d, m);
    if (label.size() > 20) label.resize(20);
    if (!label.empty() || w) out.columns.push_back({x, label, w});
  }
  const astro::CivilDate first = astro::DateFromMoment(start + s);
  out.caption = AxisCaption(out.kinds, first.year, first.month, first.day);
  if (out.caption.size() > 32) out.caption.resize(32);
  return out;
}

namespace {

// The face of the labels: Arial turned 54 degrees up from the baseline, f the axis font unit.
Font RotatedLabelFont(int f, Colour colour) {
  Font rotated;
  rotated.name = "Arial";
  rotated.height = 2 * f;
  rotated.width = f;
  rotated.weight = 400;
  rotated.escapement = 540;
  rotated.colour = colour;
  return rotated;
}

// A short mark under the axis line at a day the exchange is closed.
void DrawNonTradingMark(Canvas& canvas, int x, const Rect& rect, int mark_length) {
  const Pen saved = canvas.pen();
  canvas.pen().colour = kNonTradingMarkColour;
  canvas.pen().mode = PenMode::kMask;
  canvas.MoveTo(x, rect.top + 1);
  canvas.LineTo(x, rect.top + 1 + mark_length);
  canvas.pen().colour = saved.colour;
  canvas.pen().mode = saved.mode;
}

// A column's tick: "*" short, "**" longer, any other label a red tick with the text written
// down-left of it and, with a grid, a dash-dot line up through the plot.
void DrawColumnTick(Canvas& canvas, const AxisColumn& col, const Rect& rect, const Rect* grid, int f) {
  const int x = col.x;
  if (col.label == "*") {
    canvas.MoveTo(x, rect.top);
    canvas.LineTo(x, rect.top + 2 * f / 3);
    return;
  }
  if (col.label == "**") {
    canvas.MoveTo(x, rect.top);
    canvas.LineTo(x, rect.top + 4 * f / 3);
    return;
  }
  const double c = std::cos(54.0 * astro::kDegToRad), sn = std::sin(54.0 * astro::kDegToRad);
  const int h = 2 * f;
  // The pen stays red afterwards: ticks further left are drawn in it.
  canvas.pen().colour = kRed;
  canvas.MoveTo(x, rect.top);
  canvas.LineTo(x, rect.top + 12 * f / 7);
  const int w = canvas.TextWidth(col.label);
  canvas.font().colour = kBlack;
  const int tx = x + static_cast<int>(std::nearbyint(c * (h / 2))) - h / 2 - static_cast<int>(std::nearbyint(w * c));
  const int ty = rect.top + 2 * f + static_cast<int>(std::nearbyint(w * sn));
  canvas.TextOut(tx, ty, col.label);
  if (grid) {
    const Pen saved = canvas.pen();
    canvas.pen().colour = kGridColour;
    canvas.pen().style = PenStyle::kDashDot;
    canvas.MoveTo(x, grid->bottom);
    canvas.LineTo(x, grid->top);
    canvas.pen().colour = saved.colour;
    canvas.pen().style = saved.style;
  }
}

// The caption centred under the labels, in blue, when asked for and there is one; the font's
// colour is given back afterwards, its name and height are not.
void DrawAxisCaption(Canvas& canvas, const Rect& rect, const std::string& font_name, int f, bool caption,
                     const std::string& text) {
  const Colour previous_colour = canvas.font().colour;
  canvas.font().name = font_name;
  canvas.font().height = 3 * f;
  canvas.font().colour = kBlue;
  if (caption && !text.empty()) {
    const int w = canvas.TextWidth(text);
    const int th = canvas.TextHeight(text);
    canvas.TextOut(rect.left + (rect.right - rect.left - w) / 2, rect.bottom - th, text);
  }
  canvas.font().colour = previous_colour;
}

}  // namespace

void DrawDateAxis(Canvas& canvas, const Rect& rect, const std::string& font_name,
                  const ColumnMoment& column_moment, bool caption, const Rect* grid, double zone_hours,
                  astro::ChartMoment end, astro::ChartMoment start) {
  Font& font = canvas.font();
  font.weight = 400;
  font.italic = false;
  font.underline = false;
  canvas.pen().colour = kBlack;
  canvas.pen().width = 1;
  if (rect.right == rect.left) return;

  const AxisLayout layout = LayoutDateAxis(rect, canvas.Dpi(), column_moment, zone_hours, end, start);
  const int f = layout.font_unit;
  canvas.MoveTo(rect.left, rect.top);
  canvas.LineTo(rect.right, rect.top);

  const Font previous = canvas.font();
  canvas.font() = RotatedLabelFont(f, previous.colour);
  const int mark_length = std::max(f / 3, 7);
  const bool marks = layout.code == 4 || layout.code == 5 || layout.code == 6 || layout.code == 51;
  for (const AxisColumn& col : layout.columns) {
    if (marks && col.non_trading) DrawNonTradingMark(canvas, col.x, rect, mark_length);
    if (!col.label.empty()) DrawColumnTick(canvas, col, rect, grid, f);
  }
  canvas.font() = previous;
  DrawAxisCaption(canvas, rect, font_name, f, caption, layout.caption);
}

}  // namespace sd::render
