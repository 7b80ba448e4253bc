// The window's texts keep a decimal point in a locale whose numbers have a
// comma, as Qt puts the user's locale into the C library.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "TempDir.h"
#include "ToolRun.h"
#include "ui/qt/NumberLocale.h"

using namespace ui::qt;

namespace {

std::string printed(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

}  // namespace

TEST(NumberLocaleTest, TextsKeepTheirDecimalPointInAGermanLocale) {
    TempDir locales;
    const std::string german = "de_DE.UTF-8";
    if (runShell("localedef -i de_DE -f UTF-8 " + shellQuoted(locales.file(german))).status != 0)
        GTEST_SKIP() << "no German locale can be made here (scripts/install-deps.sh: locales)";
    const std::string before = std::setlocale(LC_ALL, nullptr);
    ::setenv("LOCPATH", locales.path().c_str(), 1);
    ASSERT_NE(std::setlocale(LC_ALL, german.c_str()), nullptr);  // as Qt does with LANG=de_DE
    EXPECT_EQ(printed(81.2), "81,20");                           // what the texts showed
    usePlainNumbers();
    EXPECT_EQ(printed(81.2), "81.20");
    EXPECT_EQ(std::string(std::setlocale(LC_CTYPE, nullptr)), german);  // file names as before
    std::setlocale(LC_ALL, before.c_str());
    ::unsetenv("LOCPATH");
}
