#pragma once
// The time axis under the value curve: base line, ticks of three heights, rotated date labels
// whose scale follows how much time one pixel column covers, marks under non-trading days and
// a caption naming the year (or the full date) of the chart.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "astro/moment.h"
#include "render/canvas.h"

namespace sd::render {

// Settings of the axis: constants of the build.
inline constexpr double AxisZoomPercent = 100.0;  // applied to the time per column before the scale is chosen
inline constexpr int DateOrderStyle = 1;          // 1: month before day ("Jan.07", "01.10"); 0: day first
inline constexpr int TwelveHourClock = 1;         // hour labels as "06:00 AM"
inline constexpr int TradingCalendarMode = 0;     // 0: non-trading days are weekends and holidays
inline constexpr int MarkWeekends = 1;            // Saturdays and Sundays do not trade
// One byte per (month 1..12, day 1..31); 1 marks a holiday. No holidays are kept.
inline constexpr uint8_t HolidayTable[12][31] = {};

inline constexpr Colour kNonTradingMarkColour = 11382015;  // red 255, green 172, blue 173, drawn in mask mode
inline constexpr Colour kGridColour = 8421504;             // grey

// Which kinds of label the columns produced; the caption is chosen from them.
// Bit 0: a year label (or a year-level scale); bit 1: day level; bit 2: month level.
using LabelKinds = unsigned;
inline constexpr LabelKinds kKindYear = 1u << 0;
inline constexpr LabelKinds kKindDay = 1u << 1;
inline constexpr LabelKinds kKindMonth = 1u << 2;

// The label scale for u = moment span (centuries) per three reference pixels.
int AxisScaleCode(double u);

// The label of one pixel column at local moment m, where d is the moment span of one column;
// sets non_trading for the column's day and adds to kinds. The label is "" (none), "*" (small
// tick), "**" (medium tick) or a text.
void AxisLabelAt(int code, LabelKinds& kinds, bool& non_trading, std::string& label, double d,
                 astro::ChartMoment m);

// Saturdays and Sundays, and the days marked in HolidayTable.
bool IsNonTradingDay(int year, int month, int day);

// The caption for the label kinds of an axis whose local start date is year-month-day;
// "" when the labels already name the year.
std::string AxisCaption(LabelKinds kinds, int year, int month, int day);

// Universal moment of a pixel column, when the caller lays the columns out itself.
using ColumnMoment = std::function<astro::ChartMoment(int x)>;

struct AxisColumn {
  int x;
  std::string label;  // at most 20 characters
  bool non_trading;
};

// What the axis will draw, without drawing it: the scale code, the font unit, the labelled
// and marked columns from right to left, the label kinds and the caption.
struct AxisLayout {
  int code = 0;
  int font_unit = 0;
  std::vector<AxisColumn> columns;  // only columns with a label or a non-trading mark
  LabelKinds kinds = 0;
  std::string caption;              // at most 32 characters
};
AxisLayout LayoutDateAxis(const Rect& rect, int dpi, const ColumnMoment& column_moment, double zone_hours,
                          astro::ChartMoment end, astro::ChartMoment start);

// Draws the axis into rect. zone_hours is decimal hours east of Greenwich; start and end are
// universal moments of the first and last column. Without a caption flag the caption is not
// written; a grid rectangle gets a dash-dot grey line above each labelled column.
void DrawDateAxis(Canvas& canvas, const Rect& rect, const std::string& font_name,
                  const ColumnMoment& column_moment, bool caption, const Rect* grid, double zone_hours,
                  astro::ChartMoment end, astro::ChartMoment start);

}  // namespace sd::render
