#include "ui/qt/NumberLocale.h"

#include <clocale>

namespace ui::qt {

void usePlainNumbers() {
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace ui::qt
