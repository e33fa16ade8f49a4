#include "ui/Fonts.h"

#include <QApplication>

#include <gtest/gtest.h>

// Widget tests need one application object for the whole run; the offscreen platform is
// set by the test environment, and never a real per-user store.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                      : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    tillery::ui::registerFontSubstitutes();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
