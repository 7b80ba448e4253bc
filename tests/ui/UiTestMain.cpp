// The window's tests run offscreen, with one application object for all of them.
#include <gtest/gtest.h>

#include <QApplication>

#ifdef ZT_HAVE_PICTURES
#include "res/Pictures.h"
#endif

using namespace res;

namespace {

QtMessageHandler standardHandler = nullptr;

// The offscreen platform says for every raised window that it cannot raise it.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QStringLiteral("This plugin does not support")))
        return;
    if (standardHandler != nullptr)
        standardHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
    standardHandler = qInstallMessageHandler(quietHandler);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#ifdef ZT_HAVE_PICTURES
    initPictures();
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
