#include "TokenSplit.h"

#include "core/Mbcs.h"

namespace brisel {

namespace {

constexpr char kQuote = '"';

} // namespace

int SplitTokens(const String& text, const String& delimiters, TStringList& pieces) {
    String piece;
    bool quoted = false;
    int count = 0;
    const auto endPiece = [&] {
        pieces.Add(std::move(piece));
        piece.clear();
        ++count;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char byte = text[i];
        if (quoted) {
            // Inside quotes nothing but the closing quote is special.
            if (byte == kQuote) {
                endPiece();
                quoted = false;
            } else {
                piece += byte;
            }
        } else if (byte == kQuote) {
            // What was gathered before the quote continues into the quoted run.
            quoted = true;
        } else if (ByteKindAt(text, i) != ByteKind::Single) {
            piece += byte;
        } else if (delimiters.find(byte) != String::npos) {
            endPiece();
        } else {
            piece += byte;
        }
    }
    endPiece();
    return count;
}

void RemoveEmptyItems(TStringList& pieces) {
    std::size_t index = 0;
    while (index < pieces.Count()) {
        if (pieces[index].empty()) {
            pieces.Delete(index);
        } else {
            ++index;
        }
    }
}

int Tokenize(const String& text, const String& delimiters, TStringList& pieces) {
    pieces.Clear();
    const int count = SplitTokens(text, delimiters, pieces);
    RemoveEmptyItems(pieces);
    return count;
}

} // namespace brisel
