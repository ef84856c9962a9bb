#pragma once
#include "base/Platform.h"
#include <commctrl.h>

// One column of a list: alignment 0 left or 1 right, width in pixels at
// 96 DPI, header.
struct ListColumn {
    int32_t alignment;
    int32_t width;
    const char* header;
};

// Grid lines, full-row select and the given columns, in order, their widths
// scaled to the list's DPI.
void SetUpListColumns(HWND list, const ListColumn* columns, int32_t count);
// Scales the columns' present widths from the DPI they were set for to dpi.
void RescaleListColumns(HWND list, uint32_t dpi);
// Widens the list, and its window as much, until every column shows without
// scrolling sideways: a dialog's size grows with its font, which need not
// grow as much as the DPI that the columns follow.
void WidenToShowColumns(HWND window, HWND list);
// Appends a row whose first cell is text; returns its index.
int32_t AppendListRow(HWND list, const char* text);
// Sets the text of one cell.
void SetCellText(HWND list, int32_t row, int32_t column, const char* text);

// The row colours: pale green and white.
const COLORREF ROW_GREEN = RGB(208, 220, 208);
const COLORREF ROW_WHITE = RGB(255, 255, 255);

// For a dialog's WM_NOTIFY: a list's NM_CUSTOMDRAW is answered with rows
// striped green and white, starting green, through the message-result slot.
// Returns what the dialog procedure returns.
INT_PTR AnswerStripedListDraw(HWND dialog, LPARAM lParam);

// Puts the list on the clipboard as text: a header line from the columns,
// then one line per row, each ending in CR LF. Every field is padded with
// spaces to the column's 96-DPI width / 7 bytes (the same text at any
// display scaling), after the text in a left
// column and before it in a right one; a longer text is kept whole.
// Nothing is reported when the clipboard cannot be opened.
void CopyListToClipboard(HWND list, const ListColumn* columns, int32_t count);

// Sorting by a header click: the column sorted by (-1: none yet) and the
// direction, 1 ascending or -1 descending.
struct ListSort {
    int32_t column;
    int32_t direction;
};
// A click on a column's header: another column sorts ascending, the same
// column again reverses.
void ClickListSort(ListSort* sort, int32_t column);
// How a column's cells compare; a right-aligned column holds numbers, so its
// alignment serves as its kind.
const int32_t COMPARE_TEXT = 0;
const int32_t COMPARE_NUMBER = 1;
// Compares two cells of a column: numbers as numbers ("66.7%", "1:05" as
// hours and minutes, a cell without a number such as "-" below every
// number), texts by lstrcmpA.
int CompareListCells(const char* first, const char* second, int32_t kind);
// Shows the sort arrow on the sorted column's header and on no other.
void ShowListSortArrow(HWND list, const ListSort* sort);
