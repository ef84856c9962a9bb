#include "report/TrendChart.h"
#include "base/TextUtil.h"
#include "store/TimeStamp.h"
#include "ui/window/DpiScaling.h"

// Pixel sizes below are for 96 DPI; each drawing scales them to its window's.
// Room for the rate labels on the left, the legend above and dates below.
const int PLOT_LEFT = 44, PLOT_TOP = 44, PLOT_RIGHT = 14, PLOT_BOTTOM = 24;
// Dates along the axis stay at least this far apart, so that they never overlap.
const int LABEL_SPACING = 56;
// The bars of matches per week take this part of the plot's height, at the bottom.
const int BAR_SHARE_PERCENT = 22;
const int POINT_HALF = 2;
// The first and last weeks sit this far inside the frame, off its lines.
const int PLOT_INSET = 8;

static int Px(uint32_t dpi, int pixels)
{
    return MulDiv(pixels, static_cast<int>(dpi), BASE_DPI);
}

void ChartPlotRect(const RECT* client, RECT* plot, uint32_t dpi)
{
    SetRect(plot, client->left + Px(dpi, PLOT_LEFT), client->top + Px(dpi, PLOT_TOP),
            client->right - Px(dpi, PLOT_RIGHT), client->bottom - Px(dpi, PLOT_BOTTOM));
    int inset = Px(dpi, PLOT_INSET);
    if (plot->right <= plot->left + 2 * inset + 1)
        plot->right = plot->left + 2 * inset + 2;
    if (plot->bottom <= plot->top + 1)
        plot->bottom = plot->top + 2;
}

// Pixels per week along the x axis, and where a week (a fraction: a day in
// it) lies.
static double WeekWidth(const RECT* plot, const ChartSeries* series, uint32_t dpi)
{
    int32_t span = series->lastWeek - series->firstWeek;
    return static_cast<double>(plot->right - plot->left - 1 - 2 * Px(dpi, PLOT_INSET)) / (span > 0 ? span : 1);
}

static int WeekX(const RECT* plot, const ChartSeries* series, double week, uint32_t dpi)
{
    int inset = Px(dpi, PLOT_INSET), left = plot->left + inset;
    if (series->lastWeek == series->firstWeek)
        return left + (plot->right - plot->left - 1 - 2 * inset) / 2;
    return left + static_cast<int>((week - series->firstWeek) * WeekWidth(plot, series, dpi) + 0.5);
}

POINT ChartPoint(const RECT* plot, const ChartSeries* series, int32_t week, double rate, uint32_t dpi)
{
    int height = plot->bottom - plot->top - 1;
    POINT point;
    point.x = WeekX(plot, series, week, dpi);
    point.y = plot->bottom - 1 - static_cast<int>(rate * height + 0.5);
    return point;
}

static void PutText(HDC dc, int x, int y, UINT align, const char* text)
{
    SetTextAlign(dc, align);
    TextOutA(dc, x, y, text, lstrlenA(text));
}

// The height of a line of the chart's font.
static int LineHeight(HDC dc)
{
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    return metrics.tmHeight;
}

// Dates under the axis with a light line up the plot: Mondays ("5/13") when
// the weeks are wide enough, else the first days of months ("6月"), every
// so many that they keep LABEL_SPACING apart; the year where it starts and
// with the first label.
static void DrawDates(HDC dc, const RECT* plot, const ChartSeries* series, HPEN light, uint32_t dpi)
{
    static const int32_t weekSteps[] = {1, 2, 4};
    static const int32_t monthSteps[] = {1, 2, 3, 6, 12};
    double weekWidth = WeekWidth(plot, series, dpi), spacing = Px(dpi, LABEL_SPACING);
    int32_t weekStep = 0, monthStep = 12;
    for (int32_t step : weekSteps)
        if (!weekStep && weekWidth * step >= spacing)
            weekStep = step;
    for (int i = 4; i >= 0; --i)
        if (weekWidth * 4.35 * monthSteps[i] >= spacing)
            monthStep = monthSteps[i];
    int32_t lastYear = -1;
    // Day by day through the weeks shown: the first week's Monday to the last week's Sunday.
    // Days past the last one a time stamp can hold have no date.
    int64_t end = (series->lastWeek + 1LL) * 7, lastDay = INT64_MAX / DAY_TICKS;
    for (int64_t day = static_cast<int64_t>(series->firstWeek) * 7; day < end && day <= lastDay; ++day) {
        SYSTEMTIME date;
        ReportTime(day * DAY_TICKS, &date);
        int64_t week = day / 7 - (day % 7 < 0);
        bool labelled = weekStep ? day % 7 == 0 && (week - series->firstWeek) % weekStep == 0
                                 : date.wDay == 1 && (date.wMonth - 1) % monthStep == 0;
        if (!labelled)
            continue;
        int x = WeekX(plot, series, static_cast<double>(day) / 7, dpi);
        if (x < plot->left || x >= plot->right)
            continue;
        SelectObject(dc, light);
        MoveToEx(dc, x, plot->top + 1, nullptr);
        LineTo(dc, x, plot->bottom);
        char label[32];
        if (date.wYear != lastYear)
            FormatText(label, weekStep ? "%04d/%d/%d" : "%04d/%d月", date.wYear, date.wMonth, date.wDay);
        else
            FormatText(label, weekStep ? "%d/%d" : "%d月", date.wMonth, date.wDay);
        lastYear = date.wYear;
        PutText(dc, x, plot->bottom + Px(dpi, 4), TA_CENTER | TA_TOP, label);
    }
}

// The matches of each week as grey bars along the bottom of the plot, those
// of the chosen character when there is one; the week not over yet hatched.
static int32_t DrawCounts(HDC dc, const RECT* plot, const ChartSeries* series, uint32_t dpi)
{
    const GrowArray<WeekPoint>* points = series->chosenName[0] ? &series->chosen : &series->all;
    int32_t most = 1;
    for (uint32_t i = 0; i < points->count; ++i)
        most = points->data[i].tally.matches > most ? points->data[i].tally.matches : most;
    int height = (plot->bottom - plot->top) * BAR_SHARE_PERCENT / 100;
    int half = static_cast<int>(WeekWidth(plot, series, dpi) * 0.35);
    half = half < 1 ? 1 : half > Px(dpi, 6) ? Px(dpi, 6) : half;
    HBRUSH solid = CreateSolidBrush(CHART_BAR_COLOUR), hatched = CreateHatchBrush(HS_BDIAGONAL, RGB(150, 150, 150));
    for (uint32_t i = 0; i < points->count; ++i) {
        const WeekPoint* point = &points->data[i];
        int x = WeekX(plot, series, point->week, dpi);
        int top = plot->bottom - 1 - static_cast<int>(static_cast<double>(point->tally.matches) * height / most + 0.5);
        RECT bar = {x - half, top, x + half + 1, plot->bottom - 1};
        bool partial = series->lastPartial && point->week == series->lastWeek;
        FillRect(dc, &bar, partial ? hatched : solid);
    }
    DeleteObject(solid);
    DeleteObject(hatched);
    // The week not over yet, named over its bar; right-aligned, as it is the last.
    if (series->lastPartial)
        PutText(dc, WeekX(plot, series, series->lastWeek, dpi) + half, plot->bottom - height - LineHeight(dc) - Px(dpi, 4),
                TA_RIGHT | TA_TOP,
                "途中の週");
    return most;
}

static void DrawGrid(HDC dc, const RECT* plot, const ChartSeries* series, uint32_t dpi)
{
    HPEN light = CreatePen(PS_SOLID, 1, RGB(215, 215, 215));
    HPEN middle = CreatePen(PS_SOLID, 1, RGB(150, 150, 150));
    for (int quarter = 0; quarter <= 4; ++quarter) {
        POINT at = ChartPoint(plot, series, series->firstWeek, quarter / 4.0, dpi);
        SelectObject(dc, quarter == 2 ? middle : light);
        MoveToEx(dc, plot->left, at.y, nullptr);
        LineTo(dc, plot->right, at.y);
        char label[16];
        PutText(dc, plot->left - Px(dpi, 4), at.y - LineHeight(dc) / 2, TA_RIGHT | TA_TOP,
                FormatText(label, "%d%%", quarter * 25));
    }
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, plot->left, plot->top, plot->right, plot->bottom);
    DrawDates(dc, plot, series, light, dpi);
    DeleteObject(light);
    DeleteObject(middle);
}

// The 95 % band of all matches: the upper ends forward, the lower ends back,
// one filled polygon.
static void FillBand(HDC dc, const RECT* plot, const ChartSeries* series, const GrowArray<WeekPoint>* points,
                     COLORREF colour, uint32_t dpi)
{
    if (points->count == 0)
        return;
    POINT* corners = static_cast<POINT*>(Heap.Allocate(sizeof(POINT) * points->count * 2));
    for (uint32_t i = 0; i < points->count; ++i) {
        const WeekPoint* point = &points->data[i];
        double low = 0, high = 0;
        WilsonRange(point->tally.wins, DecidedMatches(&point->tally), &low, &high);
        corners[i] = ChartPoint(plot, series, point->week, high, dpi);
        corners[points->count * 2 - 1 - i] = ChartPoint(plot, series, point->week, low, dpi);
    }
    HBRUSH brush = CreateSolidBrush(colour);
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    SelectObject(dc, brush);
    SelectObject(dc, pen);
    Polygon(dc, corners, static_cast<int>(points->count * 2));
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    SelectObject(dc, GetStockObject(BLACK_PEN));
    DeleteObject(brush);
    DeleteObject(pen);
    Heap.Free(corners);
}

// The chosen character's band as its two edges, so that the band of all
// matches under it stays visible.
static void OutlineBand(HDC dc, const RECT* plot, const ChartSeries* series, const GrowArray<WeekPoint>* points,
                        COLORREF colour, uint32_t dpi)
{
    HPEN pen = CreatePen(PS_SOLID, Px(dpi, 1), colour);
    SelectObject(dc, pen);
    for (int edge = 0; edge < 2; ++edge)
        for (uint32_t i = 0; i < points->count; ++i) {
            const WeekPoint* point = &points->data[i];
            double low = 0, high = 0;
            WilsonRange(point->tally.wins, DecidedMatches(&point->tally), &low, &high);
            POINT at = ChartPoint(plot, series, point->week, edge ? high : low, dpi);
            if (i == 0)
                MoveToEx(dc, at.x, at.y, nullptr);
            else
                LineTo(dc, at.x, at.y);
        }
    SelectObject(dc, GetStockObject(BLACK_PEN));
    DeleteObject(pen);
}

static void DrawLine(HDC dc, const RECT* plot, const ChartSeries* series, const GrowArray<WeekPoint>* points,
                     COLORREF colour, uint32_t dpi)
{
    // A dotted pen is one pixel wide whatever the scaling: GDI draws wider ones solid.
    HPEN pen = CreatePen(PS_SOLID, Px(dpi, 2), colour), dotted = CreatePen(PS_DOT, 1, colour);
    HPEN edge = CreatePen(PS_SOLID, Px(dpi, 1), colour);
    HBRUSH brush = CreateSolidBrush(colour);
    for (uint32_t i = 0; i < points->count; ++i) {
        const WeekPoint* point = &points->data[i];
        POINT at = ChartPoint(plot, series, point->week,
                              static_cast<double>(point->tally.wins) / DecidedMatches(&point->tally), dpi);
        bool partial = series->lastPartial && point->week == series->lastWeek;
        SelectObject(dc, partial ? dotted : pen);
        if (i == 0)
            MoveToEx(dc, at.x, at.y, nullptr);
        else
            LineTo(dc, at.x, at.y);
        // A point on each week, so that a lone week shows too: hollow where
        // the rate rests on few matches or the week is not over.
        bool hollow = partial || IsUncertain(&point->tally);
        SelectObject(dc, hollow ? edge : pen);
        SelectObject(dc, hollow ? GetStockObject(WHITE_BRUSH) : brush);
        int size = Px(dpi, hollow ? POINT_HALF + 1 : POINT_HALF);
        Rectangle(dc, at.x - size, at.y - size, at.x + size + 1, at.y + size + 1);
        MoveToEx(dc, at.x, at.y, nullptr);
    }
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    DeleteObject(pen);
    DeleteObject(dotted);
    DeleteObject(edge);
    DeleteObject(brush);
}

// Two lines above the plot: the series with their colours, then what the
// bars and points mean.
static void DrawLegend(HDC dc, const RECT* client, const ChartSeries* series, int32_t most, uint32_t dpi)
{
    char line[FORMAT_TEXT_LIMIT];
    int top = client->top + Px(dpi, 4), second = top + LineHeight(dc) + Px(dpi, 6);
    PutText(dc, client->left + Px(dpi, PLOT_LEFT), second, TA_LEFT | TA_TOP,
            FormatText(line, "灰色の棒: 週の対戦数（最多 %d 戦）  白抜きの点: %d戦未満の週（参考値）  点線: 途中の週",
                       most, UNCERTAIN_BELOW));
    const char* labels[2] = {"全キャラ", series->chosenName};
    COLORREF colours[2] = {CHART_ALL_COLOUR, CHART_CHOSEN_COLOUR};
    int x = client->left + Px(dpi, PLOT_LEFT), middle = top + LineHeight(dc) / 2;
    for (int i = 0; i < 2; ++i) {
        HBRUSH brush = CreateSolidBrush(colours[i]);
        RECT swatch = {x, middle - Px(dpi, 2), x + Px(dpi, 18), middle + Px(dpi, 2)};
        FillRect(dc, &swatch, brush);
        DeleteObject(brush);
        PutText(dc, x + Px(dpi, 22), top, TA_LEFT | TA_TOP, labels[i]);
        SIZE size = {};
        GetTextExtentPoint32A(dc, labels[i], lstrlenA(labels[i]), &size);
        x += Px(dpi, 22) + size.cx + Px(dpi, 16);
    }
    PutText(dc, x, top, TA_LEFT | TA_TOP, "週ごとの勝率（帯は95%の範囲）");
}

static void Paint(HWND window, HDC dc)
{
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const ChartSeries* series = reinterpret_cast<const ChartSeries*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(GetParent(window), WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    if (!series || series->all.count == 0) {
        PutText(dc, client.right / 2, client.bottom / 2, TA_CENTER | TA_TOP, "対戦の記録がありません。");
    } else {
        uint32_t dpi = WindowDpi(window);
        RECT plot;
        ChartPlotRect(&client, &plot, dpi);
        FillBand(dc, &plot, series, &series->all, CHART_ALL_BAND, dpi);
        int32_t most = DrawCounts(dc, &plot, series, dpi);
        DrawGrid(dc, &plot, series, dpi);
        OutlineBand(dc, &plot, series, &series->chosen, CHART_CHOSEN_BAND, dpi);
        DrawLine(dc, &plot, series, &series->all, CHART_ALL_COLOUR, dpi);
        DrawLine(dc, &plot, series, &series->chosen, CHART_CHOSEN_COLOUR, dpi);
        DrawLegend(dc, &client, series, most, dpi);
    }
    SelectObject(dc, oldFont);
}

static LRESULT CALLBACK ChartProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        Paint(window, dc);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_PRINT:  // PrintWindow asks with WM_PRINT alone under Wine
    case WM_PRINTCLIENT:
        Paint(window, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterTrendChart(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ChartProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = TREND_CHART_CLASS;
    RegisterClassA(&windowClass);
}

void SetChartSeries(HWND chart, const ChartSeries* series)
{
    SetWindowLongPtrA(chart, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(series));
    InvalidateRect(chart, nullptr, FALSE);
}
