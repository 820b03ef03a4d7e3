// Cutting a text into pieces at delimiter bytes. A run between double
// quotes is never cut and loses its quotes; a byte of a double-byte
// character is never a delimiter, even when its value equals one (the
// second byte of many Shift-JIS characters is "\").
#pragma once

#include "TStringList.h"
#include "core/AnsiString.h"

namespace brisel {

// Appends the pieces of text to pieces, empty ones included, and returns how
// many it appended (always at least 1). Every byte of delimiters is a
// delimiter outside quotes.
int SplitTokens(const String& text, const String& delimiters, TStringList& pieces);

// Deletes every empty string from pieces; the others keep their order.
void RemoveEmptyItems(TStringList& pieces);

// Empties pieces, splits text into it and drops the empty pieces. Returns
// the count of the split, which includes the dropped pieces.
int Tokenize(const String& text, const String& delimiters, TStringList& pieces);

} // namespace brisel
