#pragma once
// The characters of the two-byte library types in glyph order, generated once
// from the C library's converters by make_code_tables.py (CodeTables.cpp), so
// that the libraries hold the same characters on every system.

namespace zarn {

extern const char32_t kGb2312Characters[8178];
extern const char32_t kBig5Characters[13973];
extern const char32_t kHangulCharacters[2350];

} // namespace zarn
