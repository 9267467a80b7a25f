#pragma once
// Free fonts from Debian's packages (fonts-wqy-zenhei, fonts-dejavu-core),
// installed by scripts/install-deps; the font tests' files through support/Files.h.
#include "support/Files.h"

namespace zarn::test {
// Linux's own fonts, seen on drive Z: under Wine.
inline const char* const kCjkFont = ZARN_FONT_DIR "/wqy/wqy-zenhei.ttc";
inline const char* const kLatinFont = ZARN_FONT_DIR "/dejavu/DejaVuSans.ttf";
} // namespace zarn::test

#define ZARN_REQUIRE_FONTS()                                                                                           \
    do {                                                                                                               \
        if (!std::filesystem::exists(zarn::test::kCjkFont) || !std::filesystem::exists(zarn::test::kLatinFont))        \
            GTEST_SKIP()                                                                                               \
                << "fonts-wqy-zenhei / fonts-dejavu-core are not installed (scripts/install-deps installs them)";      \
    } while (0)
