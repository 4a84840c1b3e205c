#pragma once

#include <QString>
#include <QStringList>

#include <string_view>

namespace ravelin {

// A "Name|pattern|Name|pattern" filter as the file dialogs keep it, turned
// into Qt's "Name (pattern)" entries. Extensions are matched in any case, as
// on the file systems the filter was written for: "*.Bin" shows x.bin and
// X.BIN alike, and "*.*" shows every file, with or without an extension.
QStringList qtNameFilters(std::string_view filter);

// "*.Bin" -> "*.[Bb][Ii][Nn]"; characters without case stay as they are.
QString caseInsensitivePattern(const QString &pattern);

} // namespace ravelin
