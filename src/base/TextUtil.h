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
