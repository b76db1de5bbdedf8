#include "common/FixedPitchFont.h"

#include <QFontDatabase>
#include <QFontInfo>

QFont FixedPitchFont(const char* family, double points) {
    QFont font(family);
    font.setPointSizeF(points);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(points);
    }
    return font;
}
