#include "report/ReportWindow.h"
#include "base/TextUtil.h"
#include "report/CsvExport.h"
#include "report/ReportData.h"
#include "report/ProgressDialog.h"
#include "report/RecordTools.h"
#include "report/TrendChart.h"
#include "res/report_resource.h"
#include "store/TimeStamp.h"
#include "store/CharacterNames.h"
#include "ui/window/DpiScaling.h"
#include "ui/window/ListView.h"
#include "ui/window/MessageBoxes.h"
#include <commctrl.h>
#include <commdlg.h>

#define UNCERTAIN_NOTE "20戦未満・参考値"
// Grey text for rows whose rate is too uncertain to trust.
const COLORREF UNCERTAIN_TEXT = RGB(128, 128, 128);
const int REPORT_MARGIN = 6;
// How often the backup's progress is shown while it runs.
const UINT_PTR BACKUP_TIMER = 1;
const UINT BACKUP_TIMER_MS = 100;
// How long a window that is ready waits for the backup of a small record
// before it shows: the backup ends within it, and its progress never
// flashes. On a large record the backup waits while the window reads and
// fills, and the window shows at once.
const DWORD BACKUP_WAIT_MS = 200;
const uint32_t SMALL_RECORD_ROWS = 16 * READ_RANGE_ROWS;

// Number columns leave room for the sort arrow beside their header.
static const ListColumn opponentColumns[] = {
    {0, 120, "相手の名前"}, {1, 55, "対戦"}, {1, 45, "勝"}, {1, 45, "負"}, {1, 60, "勝率"},
};
static const ListColumn sessionPairColumns[] = {
    {0, 80, "自キャラ"}, {0, 80, "相手キャラ"}, {1, 55, "対戦"}, {1, 45, "勝"}, {1, 45, "負"}, {1, 60, "勝率"},
};
static const ListColumn recentColumns[] = {
    {0, 120, "開始"}, {1, 55, "時間"}, {1, 55, "対戦"}, {1, 45, "勝"}, {1, 45, "負"}, {1, 60, "勝率"}, {1, 80, "最長連勝"},
};
static const ListColumn characterColumns[] = {
    {0, 100, "自キャラ"}, {1, 55, "対戦"}, {1, 50, "勝"}, {1, 50, "負"},
    {1, 60, "勝率"},      {1, 100, "95%範囲"}, {0, 130, "備考"},
};
static const ListColumn pairColumns[] = {
    {0, 80, "自キャラ"}, {0, 80, "相手キャラ"}, {1, 55, "対戦"}, {1, 50, "勝"}, {1, 50, "負"},
    {1, 60, "勝率"},     {1, 100, "95%範囲"},   {0, 130, "備考"},
};

static const ListColumn opponentRecordColumns[] = {
    {0, 120, "相手の名前"}, {1, 55, "対戦"}, {1, 50, "勝"}, {1, 50, "負"},
    {1, 60, "勝率"},        {1, 100, "95%範囲"}, {0, 130, "備考"},
};

static const char* const pageNames[PAGE_COUNT] = {"最新セッション", "キャラ別", "組み合わせ別", "相手別", "推移グラフ"};
// The period box's items, in the order of ReportPeriod.
static const char* const periodNames[] = {"全期間", "過去7日", "過去30日", "過去90日", "最新セッション", "期間を指定"};
static const int32_t periodDays[] = {0, 7, 30, 90, 0, 0};

// The lists, in the order of their ids, with their columns.
const int LIST_COUNT = 6;
struct ListColumns {
    const ListColumn* columns;
    int32_t count;
};
static const ListColumns listColumns[LIST_COUNT] = {
    {opponentColumns, 5}, {sessionPairColumns, 6}, {recentColumns, 7}, {characterColumns, 7}, {pairColumns, 8},
    {opponentRecordColumns, 7},
};
const int LAST_CHILD = IDC_LATEST_SESSION;

// How the counts are meant, said on the first page.
#define COUNTING_NOTE                                                                        \
    "対戦数は勝敗のついた対戦の数です（対戦表と同じ数え方）。不成立（1-1 など）は別に数えます。" \
    "\r\n30分以上あいだが空くと次のセッションです。"

// One row of a list: one or two label cells, then the tally's cells, or a
// recent session's cells. The lists hold no text of their own (owner data):
// they ask for the cells they draw, which keeps a window of many rows quick
// to fill, and a sort reorders the rows alone.
struct ListRow {
    const char* first;
    const char* second;  // null in lists with one label column
    const Tally* tally;
    const SessionSummary* session;  // set in the list of recent sessions
    uint32_t order;                 // the place it was filled in: ties keep it
    bool pinned;                    // the total row stays on top whatever the sort
};

// What the window shows, allocated with it.
struct ReportView {
    RecordReader* record;
    DailyBackup* backup;  // the day's backup while it runs, or null
    char recordPath[MAX_PATH * 4];
    ReportData data;
    RecordTotals periodTotals;  // the record's pages: the chosen period's counts
    GrowArray<OpponentTally> periodOpponents;
    SessionReport otherSession;          // a recent session opened from its row
    const SessionReport* shownSession;   // the session page's: data.session or otherSession
    ChartSeries chart;
    HFONT font;
    HWND children[LAST_CHILD - IDC_REPORT_TAB + 1];
    GrowArray<ListRow> rows[LIST_COUNT];  // by id from IDC_SESSION_OPPONENTS
    ListSort sorts[LIST_COUNT];
};

static ReportView* View(HWND window)
{
    return reinterpret_cast<ReportView*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

static HWND Child(ReportView* view, int id)
{
    return view->children[id - IDC_REPORT_TAB];
}

static bool IsList(int id)
{
    return id >= IDC_SESSION_OPPONENTS && id < IDC_SESSION_OPPONENTS + LIST_COUNT;
}

// The record's lists (over a period) show the Wilson range and the uncertainty note.
static bool ShowsRange(int id)
{
    return id == IDC_CHARACTERS || id == IDC_PAIRS || id == IDC_OPPONENTS;
}

// Which page each child belongs to; the tab belongs to all.
static int PageOf(int id)
{
    switch (id) {
    case IDC_SESSION_SUMMARY:
    case IDC_SESSION_OPPONENTS:
    case IDC_SESSION_PAIRS:
    case IDC_RECENT_SESSIONS:
    case IDC_LATEST_SESSION:
        return PAGE_SESSION;
    case IDC_CHARACTERS:
        return PAGE_CHARACTERS;
    case IDC_PAIRS:
        return PAGE_PAIRS;
    case IDC_OPPONENTS:
        return PAGE_OPPONENTS;
    case IDC_CHART_CHOICE:
    case IDC_CHART:
        return PAGE_CHART;
    }
    return -1;
}

// The text of one cell: the labels, then matches, wins, losses, rate, and in
// the whole-record lists the range and the note.
// A recent session: start, length, matches, wins, losses, rate, longest streak.
static void SessionCellText(const SessionSummary* session, int column, char* text)
{
    switch (column) {
    case 0:
        FormatSessionStart(session->first, text);
        break;
    case 1:
        FormatSessionLength(session, text);
        break;
    case 2:
    case 3:
    case 4:
        FormatText(text, "%d", column == 2 ? session->total.matches : column == 3 ? session->total.wins
                                                                                    : session->total.losses);
        break;
    case 5:
        FormatRate(&session->total, text);
        break;
    case 6:
        FormatText(text, "%d", session->streaks.longestWins);
        break;
    }
}

static void CellText(const ListRow* row, int column, char* text)
{
    text[0] = '\0';
    if (row->session) {
        SessionCellText(row->session, column, text);
        return;
    }
    if (column == 0 || (column == 1 && row->second)) {
        lstrcpynA(text, column == 0 ? row->first : row->second, 64);
        return;
    }
    switch (column - (row->second ? 2 : 1)) {
    case 0:
        FormatText(text, "%d", row->tally->matches);
        break;
    case 1:
        FormatText(text, "%d", row->tally->wins);
        break;
    case 2:
        FormatText(text, "%d", row->tally->losses);
        break;
    case 3:
        FormatRate(row->tally, text);
        break;
    case 4:
        FormatRange(row->tally, text);
        break;
    case 5:
        lstrcpyA(text, IsUncertain(row->tally) ? UNCERTAIN_NOTE : "");
        break;
    }
}

static void AddRow(ReportView* view, int id, const char* first, const char* second, const Tally* tally,
                   const SessionSummary* session = nullptr)
{
    GrowArray<ListRow>* rows = &view->rows[id - IDC_SESSION_OPPONENTS];
    ListRow row = {first, second, tally, session, rows->count, false};
    rows->Append(row);
}

// The rows of a list emptied, to be filled anew.
static void EmptyRows(ReportView* view, int id)
{
    view->rows[id - IDC_SESSION_OPPONENTS].count = 0;
}

static void ApplySort(ReportView* view, int id);

// A list filled anew: in the order chosen by the player, and drawn again.
static void ShowNewRows(ReportView* view, int id)
{
    ApplySort(view, id);
    HWND list = Child(view, id);
    SendMessageA(list, LVM_SETITEMCOUNT, view->rows[id - IDC_SESSION_OPPONENTS].count, 0);
    InvalidateRect(list, nullptr, FALSE);
}

// The session shown: the latest, or a recent one opened from its row.
static void FillSessionPage(ReportView* view)
{
    const SessionReport* session = view->shownSession;
    const SessionSummary* summary = &session->summary;
    char text[FORMAT_TEXT_LIMIT];
    TextBuffer shown;
    shown.InitFrom("対戦の記録がありません。");
    if (summary->total.matches + summary->total.undecided) {
        char start[32], end[32], length[32], rate[16], range[32];
        FormatSessionStart(summary->first, start);
        FormatSessionStart(summary->last, end);
        FormatSessionLength(summary, length);
        FormatRate(&summary->total, rate);
        FormatRange(&summary->total, range);
        // The end's date only when the session ran past midnight.
        shown.Assign(FormatText(text, "%s %s〜%s（%s）:  %d戦 %d勝 %d敗  勝率 %s（95%%範囲 %s）",
                                session == &view->data.session ? "最新のセッション" : "セッション", start,
                                strncmp(start, end, 10) == 0 ? end + 11 : end + 5, length, summary->total.matches,
                                summary->total.wins, summary->total.losses, rate, range));
        shown.Append(FormatText(text, "\r\n最長連勝 %d  最長連敗 %d  不成立 %d", summary->streaks.longestWins,
                                summary->streaks.longestLosses, summary->total.undecided));
    }
    shown.Append("\r\n" COUNTING_NOTE);
    // Said where the counts are, so that totals short of the record are no riddle.
    if (view->data.leftOut)
        shown.Append(FormatText(text, "\r\nキャラか勝ち数がありえない値の記録 %d 件は集計に入れていません。",
                                view->data.leftOut));
    SetWindowTextA(Child(view, IDC_SESSION_SUMMARY), shown.data);
    shown.Release();
    EmptyRows(view, IDC_SESSION_OPPONENTS);
    EmptyRows(view, IDC_SESSION_PAIRS);
    for (uint32_t i = 0; i < session->opponents.count; ++i)
        AddRow(view, IDC_SESSION_OPPONENTS, session->opponents.data[i].name, nullptr,
               &session->opponents.data[i].tally);
    for (uint32_t i = 0; i < session->pairs.count; ++i) {
        const PairTally* pair = &session->pairs.data[i];
        AddRow(view, IDC_SESSION_PAIRS, CharacterShortName(pair->p1id), CharacterShortName(pair->p2id),
               &pair->tally);
    }
    ShowNewRows(view, IDC_SESSION_OPPONENTS);
    ShowNewRows(view, IDC_SESSION_PAIRS);
}

// The record's pages over the period counted into periodTotals and periodOpponents.
static void FillRecordPages(ReportView* view)
{
    const RecordTotals* totals = &view->periodTotals;
    EmptyRows(view, IDC_CHARACTERS);
    EmptyRows(view, IDC_PAIRS);
    EmptyRows(view, IDC_OPPONENTS);
    AddRow(view, IDC_CHARACTERS, "全キャラ", nullptr, &totals->all);
    view->rows[IDC_CHARACTERS - IDC_SESSION_OPPONENTS].data[0].pinned = true;
    for (int32_t own = 0; own < CHARACTER_COUNT; ++own) {
        if (totals->perCharacter[own].matches == 0)
            continue;
        AddRow(view, IDC_CHARACTERS, CharacterShortName(own), nullptr, &totals->perCharacter[own]);
        for (int32_t opponent = 0; opponent < CHARACTER_COUNT; ++opponent) {
            const Tally* tally = &totals->perPair[own * CHARACTER_COUNT + opponent];
            if (tally->matches)
                AddRow(view, IDC_PAIRS, CharacterShortName(own), CharacterShortName(opponent), tally);
        }
    }
    // As on the other pages, an opponent met only in undecided matches is left out.
    for (uint32_t i = 0; i < view->periodOpponents.count; ++i)
        if (view->periodOpponents.data[i].tally.matches)
            AddRow(view, IDC_OPPONENTS, view->periodOpponents.data[i].name, nullptr,
                   &view->periodOpponents.data[i].tally);
    for (int id = IDC_CHARACTERS; id <= IDC_OPPONENTS; ++id)
        ShowNewRows(view, id);
}

static int32_t ChosenPeriod(ReportView* view)
{
    LRESULT index = SendMessageA(Child(view, IDC_PERIOD_CHOICE), CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? REPORT_PERIOD_ALL : static_cast<int32_t>(index);
}

static int64_t PickedDay(ReportView* view, int id)
{
    SYSTEMTIME day = {};
    if (SendMessageA(Child(view, id), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&day)) != GDT_VALID)
        GetLocalTime(&day);
    return DayStart(TimestampFromLocalTime(&day));
}

static void ShowPickedDay(ReportView* view, int id, int64_t timestamp)
{
    SYSTEMTIME day;
    if (LocalTimeFromTimestamp(timestamp, &day))
        SendMessageA(Child(view, id), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&day));
}

// The chosen period's first and last moment. Every period but the whole
// record ends by tomorrow, as the sessions do.
static void PeriodBounds(ReportView* view, int32_t period, int64_t* from, int64_t* to)
{
    int64_t now = CurrentTimestamp(), tomorrow = now + DAY_TICKS;
    const SessionSummary* latest = &view->data.session.summary;
    *from = INT64_MIN;
    *to = INT64_MAX;
    if (periodDays[period]) {
        *from = DayStart(now) - (periodDays[period] - 1) * DAY_TICKS;
    } else if (period == REPORT_PERIOD_SESSION) {
        bool played = latest->total.matches + latest->total.undecided > 0;
        *from = played ? latest->first : 1;
        *to = played ? latest->last : 0;
    } else if (period == REPORT_PERIOD_CUSTOM) {
        int64_t first = PickedDay(view, IDC_PERIOD_FROM), last = PickedDay(view, IDC_PERIOD_TO);
        *from = first < last ? first : last;
        *to = (first < last ? last : first) + DAY_TICKS - 1;
    }
    if (period != REPORT_PERIOD_ALL && *to > tomorrow)
        *to = tomorrow;
}

// The record's pages counted over the chosen period, from the matches in
// memory; the days pickers show the period's days, and take them for a range.
static void ApplyPeriod(ReportView* view)
{
    int32_t period = ChosenPeriod(view);
    int64_t from, to;
    PeriodBounds(view, period, &from, &to);
    const GrowArray<MatchResult>* results = &view->data.results;
    uint32_t begin, end;
    FindPeriod(results->data, results->count, from, to, &begin, &end);
    if (begin == 0 && end == results->count)
        view->periodTotals = view->data.totals;
    else
        CountRecordTotals(results->data + begin, end - begin, &view->periodTotals);
    CountOpponents(results->data + begin, end - begin, &view->data.names, &view->periodOpponents);
    FillRecordPages(view);
    EnableWindow(Child(view, IDC_PERIOD_FROM), period == REPORT_PERIOD_CUSTOM);
    EnableWindow(Child(view, IDC_PERIOD_TO), period == REPORT_PERIOD_CUSTOM);
    if (period == REPORT_PERIOD_CUSTOM)
        return;
    int64_t now = CurrentTimestamp();
    if (from == INT64_MIN)
        from = results->count ? results->data[0].timestamp : now;
    if (period == REPORT_PERIOD_ALL)
        to = view->data.latestPlayed ? view->data.latestPlayed : now;
    ShowPickedDay(view, IDC_PERIOD_FROM, from);
    ShowPickedDay(view, IDC_PERIOD_TO, to < now ? to : now);
}

static void FillRecentSessions(ReportView* view)
{
    for (uint32_t i = 0; i < view->data.recent.count; ++i)
        AddRow(view, IDC_RECENT_SESSIONS, nullptr, nullptr, nullptr, &view->data.recent.data[i]);
}

static void ShowRowCounts(ReportView* view)
{
    for (int i = 0; i < LIST_COUNT; ++i)
        SendMessageA(Child(view, IDC_SESSION_OPPONENTS + i), LVM_SETITEMCOUNT, view->rows[i].count, 0);
}

// The chart's series for the character chosen in the box.
static void ShowChosenCharacter(ReportView* view)
{
    HWND choice = Child(view, IDC_CHART_CHOICE);
    LRESULT index = SendMessageA(choice, CB_GETCURSEL, 0, 0);
    int32_t character = index == CB_ERR ? -1 : static_cast<int32_t>(SendMessageA(choice, CB_GETITEMDATA, index, 0));
    const GrowArray<MatchResult>* results = &view->data.results;
    view->chart.chosenName[0] = '\0';
    view->chart.chosen.Clear();
    if (character >= 0) {
        lstrcpynA(view->chart.chosenName, CharacterShortName(character), sizeof view->chart.chosenName);
        BuildWeekSeries(results->data, results->count, character, view->chart.lastWeek, &view->chart.chosen);
    }
    SetChartSeries(Child(view, IDC_CHART), &view->chart);
}

static void FillChartPage(ReportView* view)
{
    const GrowArray<MatchResult>* results = &view->data.results;
    view->chart.all.Init();
    view->chart.chosen.Init();
    view->chart.firstWeek = view->chart.lastWeek = 0;
    if (results->count) {
        view->chart.lastWeek = WeekOf(view->data.latestPlayed);
        int32_t firstPlayed = WeekOf(results->data[0].timestamp);
        int32_t earliest = view->chart.lastWeek - CHART_WEEKS + 1;
        view->chart.firstWeek = firstPlayed > earliest ? firstPlayed : earliest;
        BuildWeekSeries(results->data, results->count, -1, view->chart.lastWeek, &view->chart.all);
        view->chart.lastPartial = WeekOf(CurrentTimestamp()) <= view->chart.lastWeek;
    }
    // The characters played, the most played chosen first.
    HWND choice = Child(view, IDC_CHART_CHOICE);
    int32_t mostPlayed = -1, most = 0;
    for (int32_t id = 0; id < CHARACTER_COUNT; ++id) {
        int32_t matches = view->data.totals.perCharacter[id].matches;
        if (matches == 0)
            continue;
        LRESULT index = SendMessageA(choice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(CharacterFullName(id)));
        SendMessageA(choice, CB_SETITEMDATA, index, id);
        if (matches > most) {
            most = matches;
            mostPlayed = static_cast<int32_t>(index);
        }
    }
    SendMessageA(choice, CB_SETCURSEL, mostPlayed, 0);
    ShowChosenCharacter(view);
}

static bool ShowsOtherSession(ReportView* view)
{
    return view->shownSession != &view->data.session;
}

// The period box and its days serve the record's three pages; the way back
// to the latest session shows while another is shown.
static bool ShowsOnPage(ReportView* view, int id, int page)
{
    if (id >= IDC_PERIOD_CHOICE && id <= IDC_PERIOD_TO)
        return page == PAGE_CHARACTERS || page == PAGE_PAIRS || page == PAGE_OPPONENTS;
    if (id == IDC_LATEST_SESSION && !ShowsOtherSession(view))
        return false;
    return PageOf(id) == page;
}

static void ShowPage(ReportView* view, int page)
{
    for (int id = IDC_SESSION_SUMMARY; id <= LAST_CHILD; ++id)
        ShowWindow(Child(view, id), ShowsOnPage(view, id, page) ? SW_SHOW : SW_HIDE);
}

static void ShowCurrentPage(ReportView* view)
{
    ShowPage(view, static_cast<int>(SendMessageA(Child(view, IDC_REPORT_TAB), TCM_GETCURSEL, 0, 0)));
}

// The summary's height for its text wrapped at width: a narrow window (a
// small screen at a large scaling) wraps its lines, and none may be lost.
static int SummaryHeight(HWND window, ReportView* view, int width)
{
    HWND summary = Child(view, IDC_SESSION_SUMMARY);
    char text[2048];  // four short lines
    GetWindowTextA(summary, text, sizeof text);
    HDC dc = GetDC(summary);
    HGDIOBJ old = SelectObject(dc, view->font);
    RECT need = {0, 0, width, 0};
    DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    SelectObject(dc, old);
    ReleaseDC(summary, dc);
    int least = ScaleForWindow(window, 72);
    return need.bottom > least ? need.bottom : least;
}

static void Layout(HWND window, ReportView* view)
{
    RECT client, page;
    GetClientRect(window, &client);
    // Sizes for 96 DPI, at the window's own.
    const int MARGIN = ScaleForWindow(window, REPORT_MARGIN);
    HWND tab = Child(view, IDC_REPORT_TAB);
    MoveWindow(tab, MARGIN, MARGIN, client.right - 2 * MARGIN, client.bottom - 2 * MARGIN, TRUE);
    GetClientRect(tab, &page);
    TabCtrl_AdjustRect(tab, FALSE, &page);
    OffsetRect(&page, MARGIN, MARGIN);
    InflateRect(&page, -2, -2);
    int width = page.right - page.left, height = page.bottom - page.top;
    // Another session than the latest leaves room for the way back beside its summary.
    const int backWidth = ScaleForWindow(window, 170);
    const int summaryWidth = ShowsOtherSession(view) ? width - backWidth - MARGIN : width;
    const int summaryHeight = SummaryHeight(window, view, summaryWidth), choiceHeight = ScaleForWindow(window, 28);
    MoveWindow(Child(view, IDC_SESSION_SUMMARY), page.left, page.top, summaryWidth, summaryHeight, TRUE);
    MoveWindow(Child(view, IDC_LATEST_SESSION), page.right - backWidth, page.top, backWidth,
               ScaleForWindow(window, 26), TRUE);
    // The latest session's lists side by side, the recent sessions under them.
    int half = width * 9 / 20, lists = height - summaryHeight, upper = lists * 11 / 20;
    MoveWindow(Child(view, IDC_SESSION_OPPONENTS), page.left, page.top + summaryHeight, half - MARGIN,
               upper - MARGIN, TRUE);
    MoveWindow(Child(view, IDC_SESSION_PAIRS), page.left + half, page.top + summaryHeight, width - half,
               upper - MARGIN, TRUE);
    MoveWindow(Child(view, IDC_RECENT_SESSIONS), page.left, page.top + summaryHeight + upper, width, lists - upper,
               TRUE);
    // The record's pages under the period box and its days.
    const int boxWidth = ScaleForWindow(window, 130), dayWidth = ScaleForWindow(window, 120);
    MoveWindow(Child(view, IDC_PERIOD_CHOICE), page.left, page.top, boxWidth, ScaleForWindow(window, 300), TRUE);
    MoveWindow(Child(view, IDC_PERIOD_FROM), page.left + boxWidth + MARGIN, page.top, dayWidth,
               ScaleForWindow(window, 24), TRUE);
    MoveWindow(Child(view, IDC_PERIOD_TO), page.left + boxWidth + dayWidth + 2 * MARGIN, page.top, dayWidth,
               ScaleForWindow(window, 24), TRUE);
    for (int id = IDC_CHARACTERS; id <= IDC_OPPONENTS; ++id)
        MoveWindow(Child(view, id), page.left, page.top + choiceHeight, width, height - choiceHeight, TRUE);
    MoveWindow(Child(view, IDC_CHART_CHOICE), page.left, page.top, ScaleForWindow(window, 220),
               ScaleForWindow(window, 300), TRUE);
    MoveWindow(Child(view, IDC_CHART), page.left, page.top + choiceHeight, width, height - choiceHeight, TRUE);
}

static HWND MakeChild(HWND window, ReportView* view, int id, const char* windowClass, DWORD style)
{
    HWND child = CreateWindowExA(0, windowClass, "", WS_CHILD | WS_CLIPSIBLINGS | style, 0, 0, 10, 10, window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)), nullptr);
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(view->font), FALSE);
    view->children[id - IDC_REPORT_TAB] = child;
    return child;
}

static void CreateChildren(HWND window, ReportView* view)
{
    HWND tab = MakeChild(window, view, IDC_REPORT_TAB, WC_TABCONTROLA, WS_VISIBLE);
    for (int page = 0; page < PAGE_COUNT; ++page) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(pageNames[page]);
        SendMessageA(tab, TCM_INSERTITEMA, page, reinterpret_cast<LPARAM>(&item));
    }
    MakeChild(window, view, IDC_SESSION_SUMMARY, "STATIC", SS_LEFT);
    const DWORD listStyle = LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP;
    for (int i = 0; i < LIST_COUNT; ++i) {
        SetUpListColumns(MakeChild(window, view, IDC_SESSION_OPPONENTS + i, WC_LISTVIEWA, listStyle),
                         listColumns[i].columns, listColumns[i].count);
        view->sorts[i].column = -1;
    }
    MakeChild(window, view, IDC_CHART_CHOICE, WC_COMBOBOXA, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP);
    MakeChild(window, view, IDC_CHART, TREND_CHART_CLASS, 0);
    HWND period = MakeChild(window, view, IDC_PERIOD_CHOICE, WC_COMBOBOXA, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP);
    for (const char* name : periodNames)
        SendMessageA(period, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    SendMessageA(period, CB_SETCURSEL, REPORT_PERIOD_ALL, 0);
    MakeChild(window, view, IDC_PERIOD_FROM, DATETIMEPICK_CLASSA, DTS_SHORTDATEFORMAT | WS_TABSTOP);
    MakeChild(window, view, IDC_PERIOD_TO, DATETIMEPICK_CLASSA, DTS_SHORTDATEFORMAT | WS_TABSTOP);
    MakeChild(window, view, IDC_LATEST_SESSION, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP);
    SetWindowTextA(Child(view, IDC_LATEST_SESSION), "最新のセッションに戻る");
    // The tab lies under the pages that it frames.
    SetWindowPos(tab, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

static HMENU CreateReportMenu()
{
    HMENU commands = CreatePopupMenu();
    AppendMenuA(commands, MF_STRING, ID_REPORT_EXPORT_CSV, "CSVファイルに書き出す(&E)...");
    AppendMenuA(commands, MF_STRING, ID_REPORT_COPY_SESSION, "最新セッションの成績をクリップボードにコピー(&C)");
    AppendMenuA(commands, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(commands, MF_STRING, ID_REPORT_CLOSE, "閉じる(&X)");
    HMENU bar = CreateMenu();
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(commands), "メニュー(&M)");
    AppendRecordToolsMenu(bar);
    return bar;
}

static void ExportCsv(HWND window, ReportView* view)
{
    char path[MAX_PATH * 4], folder[MAX_PATH * 4];
    lstrcpynA(path, PathFindFileNameA(view->recordPath), sizeof path);
    PathRenameExtensionA(path, ".csv");
    lstrcpynA(folder, view->recordPath, sizeof folder);
    PathRemoveFileSpecA(folder);
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window;
    dialog.lpstrFilter = "CSV ファイル (*.csv)\0*.csv\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.lpstrInitialDir = folder;
    dialog.lpstrDefExt = "csv";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetSaveFileNameA(&dialog))
        return;
    ProgressDialog progress;
    WorkProgress work;
    BeginProgress(&progress, window, "CSVファイルに書き出す", "CSVファイルに書き出しています...", &work);
    bool exported = ExportRecordCsv(view->record, path, &work);
    EndProgress(&progress);
    // Cancelled: nothing was written, as the player asked.
    if (ProgressCancelled(&progress))
        return;
    if (!exported) {
        ShowError(window, "CSVファイルを書き出せませんでした。");
        return;
    }
    TextBuffer message;
    message.InitFrom("CSVファイルを書き出しました。\r\n");
    message.Append(path);
    MessageBoxA(window, message.data, "CSVファイルに書き出す", MB_OK | MB_ICONINFORMATION);
    message.Release();
}

static void CopySessionSummary(ReportView* view)
{
    TextBuffer text;
    text.Init();
    FormatSessionSummary(&view->data.session, &text);
    CopyTextToClipboard(text.data, static_cast<int>(text.length));
    text.Release();
}

// The column that a sort compares, for qsort, which takes no context; the
// window lives on the main thread alone.
static const ListColumn* sortingColumn;
static int32_t sortingIndex, sortingDirection;

static int CompareListRows(const void* a, const void* b)
{
    const ListRow* x = static_cast<const ListRow*>(a);
    const ListRow* y = static_cast<const ListRow*>(b);
    if (x->pinned != y->pinned)
        return x->pinned ? -1 : 1;
    char first[64], second[64];
    CellText(x, sortingIndex, first);
    CellText(y, sortingIndex, second);
    int order = CompareListCells(first, second, sortingColumn->alignment) * sortingDirection;
    return order ? order : x->order < y->order ? -1 : x->order > y->order;
}

// The rows in the order of the list's sort, if it has one.
static void ApplySort(ReportView* view, int id)
{
    int list = id - IDC_SESSION_OPPONENTS;
    const ListSort* sort = &view->sorts[list];
    GrowArray<ListRow>* rows = &view->rows[list];
    if (sort->column < 0 || rows->count < 2)
        return;
    sortingColumn = &listColumns[list].columns[sort->column];
    sortingIndex = sort->column;
    sortingDirection = sort->direction;
    qsort(rows->data, rows->count, sizeof(ListRow), CompareListRows);
}

// A click on a header: sorted by that column, or the other way round.
static void SortList(ReportView* view, int id, int32_t column)
{
    int list = id - IDC_SESSION_OPPONENTS;
    if (column < 0 || column >= listColumns[list].count)
        return;
    ClickListSort(&view->sorts[list], column);
    ApplySort(view, id);
    HWND control = Child(view, id);
    ShowListSortArrow(control, &view->sorts[list]);
    InvalidateRect(control, nullptr, FALSE);
}

// A recent session (null: the latest) on the session page: its opponents
// and matchups where the latest session's were.
static void OpenSession(HWND window, ReportView* view, const SessionSummary* chosen)
{
    view->shownSession = &view->data.session;
    if (chosen && chosen->first != view->data.session.summary.first) {
        const GrowArray<MatchResult>* results = &view->data.results;
        uint32_t begin, end;
        FindPeriod(results->data, results->count, chosen->first, chosen->last, &begin, &end);
        BuildSessionReport(results->data + begin, end - begin, &view->data.names, &view->otherSession);
        view->shownSession = &view->otherSession;
    }
    FillSessionPage(view);
    Layout(window, view);
    ShowCurrentPage(view);
}

static LRESULT AnswerNotify(HWND window, ReportView* view, NMHDR* header)
{
    if (header->idFrom == IDC_REPORT_TAB && header->code == TCN_SELCHANGE) {
        ShowPage(view, static_cast<int>(SendMessageA(header->hwndFrom, TCM_GETCURSEL, 0, 0)));
        return 0;
    }
    int id = static_cast<int>(header->idFrom);
    if ((id == IDC_PERIOD_FROM || id == IDC_PERIOD_TO) && header->code == DTN_DATETIMECHANGE &&
        ChosenPeriod(view) == REPORT_PERIOD_CUSTOM) {
        ApplyPeriod(view);
        return 0;
    }
    if (!IsList(id))
        return 0;
    if (header->code == LVN_COLUMNCLICK) {
        SortList(view, id, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
        return 0;
    }
    if (id == IDC_RECENT_SESSIONS && (header->code == NM_DBLCLK || header->code == NM_RETURN)) {
        // A double-click or Enter on a session's row (not every list view
        // activates an item on Enter).
        int item = header->code == NM_DBLCLK ? reinterpret_cast<NMITEMACTIVATE*>(header)->iItem
                                             : ListView_GetNextItem(header->hwndFrom, -1, LVNI_SELECTED);
        const GrowArray<ListRow>* rows = &view->rows[IDC_RECENT_SESSIONS - IDC_SESSION_OPPONENTS];
        if (item >= 0 && static_cast<uint32_t>(item) < rows->count)
            OpenSession(window, view, rows->data[item].session);
        return 0;
    }
    const GrowArray<ListRow>* rows = &view->rows[id - IDC_SESSION_OPPONENTS];
    if (header->code == LVN_GETDISPINFOA) {
        LVITEMA* item = &reinterpret_cast<NMLVDISPINFOA*>(header)->item;
        if ((item->mask & LVIF_TEXT) && item->iItem >= 0 && static_cast<uint32_t>(item->iItem) < rows->count &&
            item->cchTextMax > 0) {
            char text[64];
            CellText(&rows->data[item->iItem], item->iSubItem, text);
            lstrcpynA(item->pszText, text, item->cchTextMax);
        }
        return 0;
    }
    if (header->code != NM_CUSTOMDRAW)
        return 0;
    // The window keeps a dialog's extra bytes, so the shared striping answers
    // through the message-result slot as it does in the tool's dialogs.
    AnswerStripedListDraw(window, reinterpret_cast<LPARAM>(header));
    NMLVCUSTOMDRAW* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
    if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT && ShowsRange(id) && draw->nmcd.dwItemSpec < rows->count &&
        IsUncertain(rows->data[draw->nmcd.dwItemSpec].tally))
        draw->clrText = UNCERTAIN_TEXT;
    return GetWindowLongPtrA(window, DWLP_MSGRESULT);
}

// The backup has ended: its progress goes, and the player hears of its
// outcome once no other work or message of the window is open (until then
// the timer comes back to it).
static void TellBackupEnd(HWND window, ReportView* view)
{
    if (!IsWindowEnabled(window))
        return;
    KillTimer(window, BACKUP_TIMER);
    DailyBackup* backup = view->backup;
    view->backup = nullptr;
    TellDailyBackupEnd(backup, window);
}

// The window's font at its DPI.
static HFONT CreateReportFont(uint32_t dpi)
{
    return CreateFontA(-MulDiv(12, static_cast<int>(dpi), BASE_DPI), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                       "MS UI Gothic");
}

// Dragged to a monitor of another scaling: the new size, font and layout.
static void ApplyNewDpi(HWND window, ReportView* view, WPARAM wParam, LPARAM lParam)
{
    HFONT old = view->font;
    view->font = CreateReportFont(LOWORD(wParam));
    for (int id = IDC_REPORT_TAB; id <= LAST_CHILD; ++id)
        if (Child(view, id))
            SendMessageA(Child(view, id), WM_SETFONT, reinterpret_cast<WPARAM>(view->font), TRUE);
    DeleteObject(old);
    HandleDpiChanged(window, wParam, lParam);
    Layout(window, view);
}

static LRESULT CALLBACK ReportProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ReportView* view = View(window);
    switch (message) {
    case WM_SIZE:
        if (view)
            Layout(window, view);
        return 0;
    case WM_GETFONT:
        return view ? reinterpret_cast<LRESULT>(view->font) : 0;
    case WM_DPICHANGED:
        if (view)
            ApplyNewDpi(window, view, wParam, lParam);
        return 0;
    case WM_NOTIFY:
        return view ? AnswerNotify(window, view, reinterpret_cast<NMHDR*>(lParam)) : 0;
    case WM_INITMENUPOPUP:
        UpdateRecordToolsMenu(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_TIMER:
        if (view && view->backup && wParam == BACKUP_TIMER && view->backup->ended)
            TellBackupEnd(window, view);
        else if (view && view->backup && wParam == BACKUP_TIMER)
            ShowProgress(&view->backup->progress);
        return 0;
    case WM_DAILY_BACKUP_DONE:
        if (view && view->backup)
            TellBackupEnd(window, view);
        return 0;
    case WM_COMMAND:
        if (HandleRecordToolsCommand(window, LOWORD(wParam)))
            return 0;
        if (!view)
            break;
        if (LOWORD(wParam) == IDC_CHART_CHOICE && HIWORD(wParam) == CBN_SELCHANGE)
            ShowChosenCharacter(view);
        else if (LOWORD(wParam) == IDC_PERIOD_CHOICE && HIWORD(wParam) == CBN_SELCHANGE)
            ApplyPeriod(view);
        else if (LOWORD(wParam) == IDC_LATEST_SESSION && HIWORD(wParam) == BN_CLICKED)
            OpenSession(window, view, nullptr);
        else if (LOWORD(wParam) == ID_REPORT_EXPORT_CSV)
            ExportCsv(window, view);
        else if (LOWORD(wParam) == ID_REPORT_COPY_SESSION)
            CopySessionSummary(view);
        else if (LOWORD(wParam) == ID_REPORT_CLOSE)
            DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        if (view) {
            RemovePropA(window, RECORD_PATH_PROPERTY);
            // The backup goes on: the program waits for it at its end.
            if (view->backup) {
                EndProgress(&view->backup->progress);
                view->backup->progress.owner = nullptr;
            }
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            SetChartSeries(Child(view, IDC_CHART), nullptr);
            CloseRecordReader(view->record);
            ClearReportData(&view->data);
            view->periodOpponents.Clear();
            ClearSessionReport(&view->otherSession);
            view->chart.all.Clear();
            view->chart.chosen.Clear();
            for (int i = 0; i < LIST_COUNT; ++i)
                view->rows[i].Clear();
            DeleteObject(view->font);
            Heap.Free(view);
        }
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static void CentreOnWorkArea(HWND window)
{
    RECT area, frame;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(window, &frame);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    int left = area.left + (area.right - area.left - width) / 2, top = area.top + (area.bottom - area.top - height) / 2;
    // A work area smaller than the window shows its top left corner.
    SetWindowPos(window, nullptr, left > area.left ? left : area.left, top > area.top ? top : area.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static void RegisterReportWindow(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ReportProc;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_REPORT));
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = REPORT_WINDOW_CLASS;
    RegisterClassA(&windowClass);
    RegisterTrendChart(instance);
    // The period's days; the program's start need not know of them.
    INITCOMMONCONTROLSEX dates = {sizeof dates, ICC_DATE_CLASSES};
    InitCommonControlsEx(&dates);
}

// Reads the report's data, with the progress of a long read; false when the
// read fails or the player cancels it.
static bool ReadShownData(ReportView* view, bool* cancelled)
{
    ProgressDialog progress;
    WorkProgress work;
    BeginProgress(&progress, nullptr, "対戦成績レポート", "プロファイルを読み込んでいます...", &work);
    bool read = ReadReportData(view->record, &view->data, &work);
    EndProgress(&progress);
    if (cancelled)
        *cancelled = ProgressCancelled(&progress);
    return read;
}

HWND CreateReportWindow(HINSTANCE instance, RecordReader* record, const char* recordPath, DailyBackup* backup,
                        bool* cancelled)
{
    ReportView* view = static_cast<ReportView*>(Heap.Allocate(sizeof(ReportView)));
    memset(view, 0, sizeof *view);
    for (int i = 0; i < LIST_COUNT; ++i)
        view->rows[i].Init();
    view->record = record;
    view->backup = backup;
    lstrcpynA(view->recordPath, recordPath, sizeof view->recordPath);
    InitReportData(&view->data);
    view->periodOpponents.Init();
    InitSessionReport(&view->otherSession);
    view->shownSession = &view->data.session;
    if (backup)
        PauseWorker(&backup->progress, true);
    if (!ReadShownData(view, cancelled)) {
        if (backup)
            PauseWorker(&backup->progress, false);
        ClearReportData(&view->data);
        CloseRecordReader(record);
        Heap.Free(view);
        return nullptr;
    }
    RegisterReportWindow(instance);
    char title[FORMAT_TEXT_LIMIT];
    FormatText(title, "対戦成績レポート - %s", PathFindFileNameA(recordPath));
    HWND window = CreateWindowExA(0, REPORT_WINDOW_CLASS, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 780, 560, nullptr, CreateReportMenu(), instance, nullptr);
    if (!window) {
        if (backup)
            PauseWorker(&backup->progress, false);
        ClearReportData(&view->data);
        CloseRecordReader(record);
        Heap.Free(view);
        return nullptr;
    }
    // The DPI is known once the window is there.
    SetWindowPos(window, nullptr, 0, 0, ScaleForWindow(window, 780), ScaleForWindow(window, 560),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    view->font = CreateReportFont(WindowDpi(window));
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
    // The record tools merge into the record shown here.
    SetPropA(window, RECORD_PATH_PROPERTY, view->recordPath);
    CreateChildren(window, view);
    FillSessionPage(view);
    FillRecentSessions(view);
    ApplyPeriod(view);
    FillChartPage(view);
    ShowRowCounts(view);
    Layout(window, view);
    CentreOnWorkArea(window);
    ShowPage(view, PAGE_SESSION);
    if (backup) {
        PauseWorker(&backup->progress, false);
        if (view->data.results.count + static_cast<uint32_t>(view->data.leftOut) <= SMALL_RECORD_ROWS)
            WaitDailyBackup(backup, BACKUP_WAIT_MS);
        SetTimer(window, BACKUP_TIMER, BACKUP_TIMER_MS, nullptr);
    }
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    if (backup)
        NotifyDailyBackupEnd(backup, window);
    return window;
}
