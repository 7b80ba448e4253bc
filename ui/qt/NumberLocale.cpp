#include "ui/qt/NumberLocale.h"

#include <clocale>

void usePlainNumbers() {
    std::setlocale(LC_NUMERIC, "C");
}
