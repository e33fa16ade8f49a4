// Times one press of Start in the real main window (offscreen), for comparison with the
// command-line front end on the same log:  tillery_window_run LOG TYPE OUTPUT
// TYPE is 0 (Full), 1 (Summary) or 2 (Rule based). Prints the seconds the press took.
#include "core/MemorySettingsStore.h"
#include "ui/Fonts.h"
#include "ui/Tillery.h"
#include "ui/UiSeams.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <chrono>
#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s LOG TYPE OUTPUT\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tillery::ui::registerFontSubstitutes();
    std::string lastBox;
    tillery::ui::setBoxHook([&](const tillery::ui::BoxRequest& box) { lastBox = box.text.toStdString(); });

    tillery::MemorySettingsStore store;  // first start: the drive-finding defaults
    tillery::ui::Tillery window(store, "");
    window.show();
    window.findChild<QLineEdit*>("txtOpen")->setText(QString::fromLocal8Bit(argv[1]));
    window.findChild<QLineEdit*>("txtSave")->setText(QString::fromLocal8Bit(argv[3]));
    window.findChild<QRadioButton*>(QStringLiteral("optOutput") + QString::fromLatin1(argv[2]))->click();
    QApplication::processEvents();

    const auto start = std::chrono::steady_clock::now();
    window.findChild<QPushButton*>("cmdCommand")->click();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (lastBox != "Extraction complete.") {
        std::fprintf(stderr, "the run ended with: %s\n", lastBox.c_str());
        return 1;
    }
    std::printf("%.4f\n", took.count());
    return 0;
}
