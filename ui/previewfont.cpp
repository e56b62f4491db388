#include "ui/previewfont.h"

#include <QFontDatabase>
#include <QStringList>

namespace headwise {

namespace {

const char kFontFile[] = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";

QString family() {
    static const QString name = [] {
        const QStringList families = QFontDatabase::applicationFontFamilies(
            QFontDatabase::addApplicationFont(QString::fromLatin1(kFontFile)));
        return families.isEmpty() ? QStringLiteral("Arial") : families.first();
    }();
    return name;
}

} // namespace

QFont previewFont(double px) {
    QFont font(family());
    font.setPixelSize(qRound(px));
    font.setKerning(false);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace headwise
