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
