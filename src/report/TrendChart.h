#pragma once
#include "report/ReportNumbers.h"
#include "ui/window/DpiScaling.h"

// The chart of the report: the win rate per week of all matches and of one
// chosen own character, each with its 95 % band, the number of matches per
// week as bars (the chosen character's when one is), and dates along the x
// axis, drawn with GDI. A week with fewer than UNCERTAIN_BELOW decided matches gets a hollow point (its rate
// is a rough guess), and a week not over yet a hollow point reached by a
// dotted line and hatched bar.

#define TREND_CHART_CLASS "VtyTrendChart"

// What the chart shows; owned by whoever made the chart window.
struct ChartSeries {
    GrowArray<WeekPoint> all;
    GrowArray<WeekPoint> chosen;
    int32_t firstWeek;  // the weeks along the x axis, both included
    int32_t lastWeek;
    bool lastPartial;  // the last week is not over yet
    char chosenName[64];
};

// The line colours; the band of all matches is filled with a paler shade,
// the chosen character's band is outlined in one.
const COLORREF CHART_ALL_COLOUR = RGB(0, 70, 200);
const COLORREF CHART_CHOSEN_COLOUR = RGB(220, 100, 0);
const COLORREF CHART_ALL_BAND = RGB(205, 218, 245);
const COLORREF CHART_CHOSEN_BAND = RGB(240, 160, 90);
// The bars of matches per week.
const COLORREF CHART_BAR_COLOUR = RGB(200, 200, 200);

void RegisterTrendChart(HINSTANCE instance);
// The chart draws series until it is destroyed or given another.
void SetChartSeries(HWND chart, const ChartSeries* series);

// Where the plot lies in a chart's client area, and where a week's rate is,
// for a chart window of the given DPI. Its text is in its parent's font
// (WM_GETFONT), which the parent scales.
void ChartPlotRect(const RECT* client, RECT* plot, uint32_t dpi = BASE_DPI);
POINT ChartPoint(const RECT* plot, const ChartSeries* series, int32_t week, double rate, uint32_t dpi = BASE_DPI);
