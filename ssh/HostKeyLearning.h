#pragma once
// PuTTY in batch mode refuses a server it has never seen. The export accepts
// such a first-contact key for itself (never a key that changed, which PuTTY
// reports as a potential security breach) and retries once with "-hostkey".
#include <QString>

#include "ProcessResult.h"

namespace hazard_desk {

// The "SHA256:..." fingerprint a refused first contact printed; empty when
// the run was not refused for an uncached key, or when the key changed.
QString learnableHostKey(const ProcessResult& result);

}  // namespace hazard_desk
