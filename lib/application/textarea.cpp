#include "lib/application/textarea.h"

#include "lib/application/fonts.h"

namespace textarea {

QFont tahoma(int pixels) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixels);
    return font;
}

QFont defaultFont() {
    return withChineseFallback(tahoma(14));
}

} // namespace textarea
