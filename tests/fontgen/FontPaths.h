#pragma once
// Free fonts from Debian's packages (fonts-wqy-zenhei, fonts-dejavu-core),
// installed by scripts/install-deps.
#include <filesystem>

namespace zarn::test {
inline const char* const kCjkFont = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";
inline const char* const kLatinFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
inline bool haveFont(const char* path) { return std::filesystem::exists(path); }
} // namespace zarn::test

#define ZARN_REQUIRE_FONT(path)                                                                                       \
    do {                                                                                                              \
        if (!zarn::test::haveFont(path))                                                                              \
            GTEST_SKIP() << "font " << (path) << " is not installed (scripts/install-deps installs it)";              \
    } while (0)
