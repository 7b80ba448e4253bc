#include "res/Pictures.h"

#include <QtGlobal>

// Q_INIT_RESOURCE declares the registration function in the scope it is used
// in, so it must be called from the global namespace, as here.
void initPictures() {
    Q_INIT_RESOURCE(pictures);
}
