#include "ui/Fonts.h"
#include "ui/QSettingsStore.h"
#include "ui/Tillery.h"

#include <QApplication>
#include <QIcon>
#include <QStringList>

#include <string>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    tillery::ui::registerFontSubstitutes();
    QCoreApplication::setApplicationName(QStringLiteral("VORN"));
    QGuiApplication::setDesktopFileName(QStringLiteral("tillery"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tillery")));

    tillery::QSettingsStore store;

    // The whole argument text as one string: the arguments after the program's name,
    // joined by single blanks (Qt's own options are already taken out).
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty()) {
        arguments.removeFirst();
    }
    const QByteArray argumentText = arguments.join(QLatin1Char(' ')).toUtf8();

    tillery::ui::Tillery window(store, std::string(argumentText.constData(),
                                                   static_cast<std::size_t>(argumentText.size())));
    window.show();
    return app.exec();
}
