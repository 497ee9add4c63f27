#pragma once
// The source view pass: a cached deck turned back into indented WML text,
// one tag or text run a line. The text is for reading and is not always
// well-formed: quotes, "<" and "&" are written as they are.
#include <cstdio>

constexpr int DECOMPILE_NOT_CACHED = -2;  // nothing written
constexpr int DECOMPILE_OVERFLOW = 64;    // a buffer overflowed or the deck ended early: text incomplete

// Writes the source of the deck cached under deckUrl to out, as UTF-8: the
// bytes of a deck in any charset but UTF-8 (106) are read as ISO-8859-1.
// 0, DECOMPILE_OVERFLOW or DECOMPILE_NOT_CACHED.
//
// Tag codes the tag table does not name are written as "unknown-0x" and
// two hexadecimal digits. Variable references read $(name:esc), :unesc or
// :noesc, entities &#x..;, the characters U+00A0 and U+00AD in text &nbsp;
// and &shy;. Literal tags, opaque data, EXT_0..2, page switches and
// unknown attribute tokens leave no trace.
int Decompile(const char *deckUrl, FILE *out);
