#pragma once
#include "store/RecordReading.h"

// The whole record as CSV for spreadsheets: one row per match, oldest first,
// after a header row; fields in double quotes where they hold a comma, a
// quote or a line break; lines end in CR LF. The text is Shift-JIS (code page
// 932), as the names are stored: Excel on Japanese Windows opens it as it is.
// The columns: date and time, own name, own character, own round wins,
// opponent name, opponent character, opponent round wins, result.
extern const char* const CSV_HEADER;

// Writes the CSV to path (code page text), replacing the file. False when the
// record cannot be read, the file not written or the progress cancels; then
// no file is left at path.
bool ExportRecordCsv(RecordReader* record, const char* path, const WorkProgress* progress = nullptr);
