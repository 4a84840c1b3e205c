#include "qt/Look.h"

#include <algorithm>

namespace ravelin {

namespace {
constexpr int FixedsysCellPixels = 12;
} // namespace

QStringList fontFamilies(FontFace face)
{
    switch (face) {
    case FontFace::MsSansSerif:
        return {QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
            QStringLiteral("DejaVu Sans"), QStringLiteral("Arial")};
    case FontFace::Fixedsys:
        return {QStringLiteral("Fixedsys"), QStringLiteral("DejaVu Sans Mono"),
            QStringLiteral("Liberation Mono"), QStringLiteral("Noto Sans Mono"),
            QStringLiteral("Monospace")};
    case FontFace::CourierNew:
        return {QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"),
            QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Monospace")};
    }
    return {};
}

QFont fontFor(const FontInfo &info)
{
    QFont font;
    font.setFamilies(fontFamilies(info.face));
    // Fixedsys is a bitmap face with one 8 x 15 cell whatever size is asked for,
    // and the panels that use it (the jumper drawings above all) are laid out
    // for that cell. A scalable look-alike above 12 px takes more than 15 px a
    // line, so the drawings would no longer fit: it is held at 12 px.
    const bool lookAlike = info.face == FontFace::Fixedsys;
    font.setPixelSize(lookAlike ? std::min(info.pixels, FixedsysCellPixels) : info.pixels);
    font.setBold(info.bold);
    switch (info.face) {
    case FontFace::MsSansSerif:
        font.setStyleHint(QFont::SansSerif);
        break;
    case FontFace::Fixedsys:
    case FontFace::CourierNew:
        // Columns of hex and jumper drawings only line up in a fixed pitch.
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
        break;
    }
    return font;
}

std::optional<QColor> colourOf(Colour colour)
{
    switch (colour) {
    case Colour::Default:
        return std::nullopt;
    case Colour::Navy:
        return QColor(0x00, 0x00, 0x80);
    case Colour::Yellow:
        return QColor(0xFF, 0xFF, 0x00);
    case Colour::Red:
        return QColor(0xFF, 0x00, 0x00);
    case Colour::Silver:
        return QColor(0xC0, 0xC0, 0xC0);
    case Colour::White:
        return QColor(0xFF, 0xFF, 0xFF);
    case Colour::Lime:
        return QColor(0x00, 0xFF, 0x00);
    case Colour::Aqua:
        return QColor(0x00, 0xFF, 0xFF);
    }
    return std::nullopt;
}

} // namespace ravelin
