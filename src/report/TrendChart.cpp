#include "report/TrendChart.h"
#include "base/TextUtil.h"
#include "store/TimeStamp.h"

// Room for the rate labels on the left, the legend above and dates below.
const int PLOT_LEFT = 44, PLOT_TOP = 28, PLOT_RIGHT = 14, PLOT_BOTTOM = 24;
const int POINT_HALF = 2;
// The first and last weeks sit this far inside the frame, off its lines.
const int PLOT_INSET = 8;

void ChartPlotRect(const RECT* client, RECT* plot)
{
    SetRect(plot, client->left + PLOT_LEFT, client->top + PLOT_TOP, client->right - PLOT_RIGHT,
            client->bottom - PLOT_BOTTOM);
    if (plot->right <= plot->left + 2 * PLOT_INSET + 1)
        plot->right = plot->left + 2 * PLOT_INSET + 2;
    if (plot->bottom <= plot->top + 1)
        plot->bottom = plot->top + 2;
}

POINT ChartPoint(const RECT* plot, const ChartSeries* series, int32_t week, double rate)
{
    int width = plot->right - plot->left - 1 - 2 * PLOT_INSET, height = plot->bottom - plot->top - 1;
    int32_t span = series->lastWeek - series->firstWeek;
    int left = plot->left + PLOT_INSET;
    POINT point;
    point.x = span > 0 ? left + static_cast<int>(static_cast<double>(week - series->firstWeek) * width / span + 0.5)
                       : left + width / 2;
    point.y = plot->bottom - 1 - static_cast<int>(rate * height + 0.5);
    return point;
}

static void PutText(HDC dc, int x, int y, UINT align, const char* text)
{
    SetTextAlign(dc, align);
    TextOutA(dc, x, y, text, lstrlenA(text));
}

static void DrawGrid(HDC dc, const RECT* plot, const ChartSeries* series)
{
    HPEN light = CreatePen(PS_SOLID, 1, RGB(215, 215, 215));
    HPEN middle = CreatePen(PS_SOLID, 1, RGB(150, 150, 150));
    for (int quarter = 0; quarter <= 4; ++quarter) {
        POINT at = ChartPoint(plot, series, series->firstWeek, quarter / 4.0);
        SelectObject(dc, quarter == 2 ? middle : light);
        MoveToEx(dc, plot->left, at.y, nullptr);
        LineTo(dc, plot->right, at.y);
        char label[16];
        PutText(dc, plot->left - 4, at.y - 6, TA_RIGHT | TA_TOP, FormatText(label, "%d%%", quarter * 25));
    }
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, plot->left, plot->top, plot->right, plot->bottom);
    // The Monday of the first and of the last week.
    for (int end = 0; end < 2; ++end) {
        SYSTEMTIME monday;
        ReportTime((end ? series->lastWeek : series->firstWeek) * WEEK_TICKS, &monday);
        char label[32];
        FormatText(label, "%04d/%02d/%02d", monday.wYear, monday.wMonth, monday.wDay);
        PutText(dc, end ? plot->right : plot->left, plot->bottom + 4, (end ? TA_RIGHT : TA_LEFT) | TA_TOP, label);
    }
    DeleteObject(light);
    DeleteObject(middle);
}

// The 95 % band of all matches: the upper ends forward, the lower ends back,
// one filled polygon.
static void FillBand(HDC dc, const RECT* plot, const ChartSeries* series, const GrowArray<WeekPoint>* points,
                     COLORREF colour)
{
    if (points->count == 0)
        return;
    POINT* corners = static_cast<POINT*>(Heap.Allocate(sizeof(POINT) * points->count * 2));
    for (uint32_t i = 0; i < points->count; ++i) {
        const WeekPoint* point = &points->data[i];
        double low = 0, high = 0;
        WilsonRange(point->tally.wins, DecidedMatches(&point->tally), &low, &high);
        corners[i] = ChartPoint(plot, series, point->week, high);
        corners[points->count * 2 - 1 - i] = ChartPoint(plot, series, point->week, low);
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
                        COLORREF colour)
{
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    SelectObject(dc, pen);
    for (int edge = 0; edge < 2; ++edge)
        for (uint32_t i = 0; i < points->count; ++i) {
            const WeekPoint* point = &points->data[i];
            double low = 0, high = 0;
            WilsonRange(point->tally.wins, DecidedMatches(&point->tally), &low, &high);
            POINT at = ChartPoint(plot, series, point->week, edge ? high : low);
            if (i == 0)
                MoveToEx(dc, at.x, at.y, nullptr);
            else
                LineTo(dc, at.x, at.y);
        }
    SelectObject(dc, GetStockObject(BLACK_PEN));
    DeleteObject(pen);
}

static void DrawLine(HDC dc, const RECT* plot, const ChartSeries* series, const GrowArray<WeekPoint>* points,
                     COLORREF colour)
{
    HPEN pen = CreatePen(PS_SOLID, 2, colour);
    HBRUSH brush = CreateSolidBrush(colour);
    SelectObject(dc, pen);
    SelectObject(dc, brush);
    for (uint32_t i = 0; i < points->count; ++i) {
        const WeekPoint* point = &points->data[i];
        POINT at = ChartPoint(plot, series, point->week,
                              static_cast<double>(point->tally.wins) / DecidedMatches(&point->tally));
        if (i == 0)
            MoveToEx(dc, at.x, at.y, nullptr);
        else
            LineTo(dc, at.x, at.y);
        // A square on each week, so that a lone week shows too.
        Rectangle(dc, at.x - POINT_HALF, at.y - POINT_HALF, at.x + POINT_HALF + 1, at.y + POINT_HALF + 1);
        MoveToEx(dc, at.x, at.y, nullptr);
    }
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    DeleteObject(pen);
    DeleteObject(brush);
}

static void DrawLegend(HDC dc, const RECT* client, const ChartSeries* series)
{
    const char* labels[2] = {"全キャラ", series->chosenName};
    COLORREF colours[2] = {CHART_ALL_COLOUR, CHART_CHOSEN_COLOUR};
    int x = client->left + PLOT_LEFT;
    for (int i = 0; i < 2; ++i) {
        HBRUSH brush = CreateSolidBrush(colours[i]);
        RECT swatch = {x, 9, x + 18, 13};
        FillRect(dc, &swatch, brush);
        DeleteObject(brush);
        PutText(dc, x + 22, 4, TA_LEFT | TA_TOP, labels[i]);
        SIZE size = {};
        GetTextExtentPoint32A(dc, labels[i], lstrlenA(labels[i]), &size);
        x += 22 + size.cx + 16;
    }
    PutText(dc, x, 4, TA_LEFT | TA_TOP, "週ごとの勝率（帯は95%の範囲）");
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
        RECT plot;
        ChartPlotRect(&client, &plot);
        FillBand(dc, &plot, series, &series->all, CHART_ALL_BAND);
        DrawGrid(dc, &plot, series);
        OutlineBand(dc, &plot, series, &series->chosen, CHART_CHOSEN_BAND);
        DrawLine(dc, &plot, series, &series->all, CHART_ALL_COLOUR);
        DrawLine(dc, &plot, series, &series->chosen, CHART_CHOSEN_COLOUR);
        DrawLegend(dc, &client, series);
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
