// The window's tests run offscreen, with one application object for all of them.
#include <gtest/gtest.h>

#include <QApplication>

#ifdef ZT_HAVE_PICTURES
#include "res/Pictures.h"
#endif

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#ifdef ZT_HAVE_PICTURES
    initPictures();
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
