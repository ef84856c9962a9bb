#include "report/CsvExport.h"
#include "base/HeapAllocator.h"
#include "base/TextUtil.h"
#include "report/ReportNumbers.h"
#include "store/TimeStamp.h"
#include "store/CharacterNames.h"

const char* const CSV_HEADER = "日時,自分の名前,自キャラ,自分の勝ち数,相手の名前,相手キャラ,相手の勝ち数,結果\r\n";

// Rows are gathered in a block and written when it fills.
const uint32_t WRITE_BLOCK = 1 << 16;
// A row is far shorter: names are at most 32 bytes, 67 when quoted.
const uint32_t LINE_SIZE = 512;

struct CsvWriter {
    HANDLE file;
    char block[WRITE_BLOCK];
    uint32_t used;
    bool ok;
};

static void Flush(CsvWriter* writer)
{
    DWORD written = 0;
    if (writer->used && writer->ok)
        writer->ok = WriteFile(writer->file, writer->block, writer->used, &written, nullptr) && written == writer->used;
    writer->used = 0;
}

static void Write(CsvWriter* writer, const char* text)
{
    uint32_t length = static_cast<uint32_t>(strlen(text));
    if (writer->used + length > WRITE_BLOCK)
        Flush(writer);
    memcpy(writer->block + writer->used, text, length);
    writer->used += length;
}

// Appends a name to line. Code page 932 trail bytes never take the value of
// a comma, a quote or a line break, so the quoting can look at single bytes.
// Names come from other players: one that a spreadsheet would take for a
// formula gets a leading apostrophe, quotes alone do not stop it. The other
// fields are the tool's own numbers and names, never a formula.
static void AppendField(char* line, const char* text)
{
    char* end = line + strlen(line);
    bool quoted = strpbrk(text, ",\"\r\n") != nullptr;
    if (quoted)
        *end++ = '"';
    if (*text && strchr("=+-@\t\r", *text))
        *end++ = '\'';
    for (; *text; ++text) {
        if (*text == '"')
            *end++ = '"';
        *end++ = *text;
    }
    if (quoted)
        *end++ = '"';
    *end = '\0';
}

static const char* CharacterText(int32_t id, char* number)
{
    if (id >= 0 && id < CHARACTER_COUNT)
        return CharacterShortName(id);
    return FormatText(number, "%d", id);
}

static const char* ResultText(const MatchRecord* row)
{
    bool won = row->p1win / 2 > 0, lost = row->p2win / 2 > 0;
    return won == lost ? "不成立" : won ? "勝ち" : "負け";
}

static void WriteRow(const MatchRecord* row, void* context)
{
    CsvWriter* writer = static_cast<CsvWriter*>(context);
    SYSTEMTIME time;
    ReportTime(row->timestamp, &time);
    char line[LINE_SIZE], text[FORMAT_TEXT_LIMIT], own[16], opponent[16];
    FormatText(line, "%04d/%02d/%02d %02d:%02d:%02d,", time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute,
               time.wSecond);
    AppendField(line, row->p1name);
    lstrcatA(line, FormatText(text, ",%s,%d,", CharacterText(row->p1id, own), row->p1win));
    AppendField(line, row->p2name);
    lstrcatA(line, FormatText(text, ",%s,%d,%s\r\n", CharacterText(row->p2id, opponent), row->p2win, ResultText(row)));
    Write(writer, line);
}

bool ExportRecordCsv(RecordReader* record, const char* path, const WorkProgress* progress)
{
    // Written beside under another name and put in place whole: a file of the
    // chosen name stays as it was until the export has succeeded.
    char part[MAX_PATH * 4];
    if (wnsprintfA(part, sizeof part, "%s.vty-part", path) >= static_cast<int>(sizeof part) - 1)
        return false;
    HANDLE file = CreateFileA(part, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CsvWriter* writer = static_cast<CsvWriter*>(Heap.Allocate(sizeof(CsvWriter)));
    writer->file = file;
    writer->used = 0;
    writer->ok = true;
    Write(writer, CSV_HEADER);
    bool read = ReadEveryMatch(record, WriteRow, writer, progress);
    Flush(writer);
    bool ok = writer->ok && read;
    Heap.Free(writer);
    ok = CloseHandle(file) && ok;
    ok = ok && MoveFileExA(part, path, MOVEFILE_REPLACE_EXISTING);
    if (!ok)
        DeleteFileA(part);
    return ok;
}
