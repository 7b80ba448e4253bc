#include "res/Pictures.h"

#include <QtGlobal>

// Q_INIT_RESOURCE declares the registration function in the scope it is used
// in, so it is called from the global namespace.
static void registerPictures() {
    Q_INIT_RESOURCE(pictures);
}

namespace res {

void initPictures() {
    registerPictures();
}

}  // namespace res
