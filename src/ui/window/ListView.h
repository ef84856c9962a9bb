#pragma once
#include "base/Platform.h"
#include <commctrl.h>

// One column of a list: alignment 0 left or 1 right, width in pixels, header.
struct ListColumn {
    int32_t alignment;
    int32_t width;
    const char* header;
};

// Grid lines, full-row select and the given columns, in order.
void SetUpListColumns(HWND list, const ListColumn* columns, int32_t count);
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
// spaces to the column's pixel width / 7 bytes, after the text in a left
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
// Compares two cells of a column: right-aligned columns hold numbers and
// compare as numbers ("66.7%", "1:05" as hours and minutes, a cell without a
// number such as "-" below every number), left-aligned ones as text.
int CompareListCells(const char* first, const char* second, int32_t alignment);
// Shows the sort arrow on the sorted column's header and on no other.
void ShowListSortArrow(HWND list, const ListSort* sort);
