#include "ui/Fonts.h"

#include <QApplication>
#include <QDir>

#include <gtest/gtest.h>

// Widget tests need one application object for the whole run; the offscreen platform is
// set by the test environment, and never a real per-user store.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                      : qgetenv("QT_QPA_PLATFORM"));
    // No test may read or write the real per-user settings.
    const QByteArray configHome = QDir::temp().filePath(
        QStringLiteral("tillery-ui-tests-%1").arg(QCoreApplication::applicationPid())).toLocal8Bit();
    QDir().mkpath(QString::fromLocal8Bit(configHome));
    qputenv("XDG_CONFIG_HOME", configHome);
    QApplication app(argc, argv);
    tillery::ui::registerFontSubstitutes();
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    QDir(QString::fromLocal8Bit(configHome)).removeRecursively();
    return result;
}
