#pragma once
// Readable test failures for Qt strings: the text instead of its code units.
#include <QString>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
