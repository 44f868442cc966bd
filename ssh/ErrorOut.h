#pragma once

#include <QString>

namespace hazard_desk {

// Hands a failure's text to a caller that asked for it: the error
// out-parameter of the SSH layer's file helpers may be null.
inline void setError(QString* error, const QString& text)
{
    if (error != nullptr) {
        *error = text;
    }
}

}  // namespace hazard_desk
