#include "ui/Fonts.h"

namespace tillery::ui {

void registerFontSubstitutes()
{
    QFont::insertSubstitution(QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"));
}

QFont arialNarrow(double pointSize, bool bold)
{
    QFont font(QStringLiteral("Arial Narrow"));
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

}  // namespace tillery::ui
