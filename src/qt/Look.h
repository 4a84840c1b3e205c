#pragma once

#include "app/Controls.h"

#include <QColor>
#include <QFont>
#include <QStringList>

#include <optional>

namespace ravelin {

// The installed look-alikes of the window's font families, best first.
QStringList fontFamilies(FontFace face);
QFont fontFor(const FontInfo &info);
// The colour a control is painted in; nothing for the style's own.
std::optional<QColor> colourOf(Colour colour);

} // namespace ravelin
