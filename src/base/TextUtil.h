#pragma once
#include "base/Platform.h"

// Largest output of FormatText, terminator included.
const int FORMAT_TEXT_LIMIT = 999;

// Puts plain 8-bit text on the clipboard, replacing all of its content.
// length -1 measures the text. False when the clipboard could not be opened
// (it then stays as it was) or refused the text.
bool CopyTextToClipboard(const char* text, int length);

// printf-style formatting (wvnsprintfA rules) into output, which must hold
// FORMAT_TEXT_LIMIT bytes; longer results are cut. Returns output.
char* FormatText(char* output, const char* format, ...);

// Cuts text in place to at most limit bytes, ending on a whole character of
// code page 932: a lead byte whose trail byte is cut off or missing goes too.
// Returns the new length.
int32_t CutToWholeCharacters(char* text, int32_t limit);
