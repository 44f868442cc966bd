#pragma once
// One run of plink or pscp as the export saw it. Output is decoded from the
// local 8-bit code page.
#include <QString>

namespace hazard_desk {

struct ProcessResult {
    bool started = false;
    bool timedOut = false;
    bool cancelled = false;
    int exitCode = -1;        // -1 until known
    int exitStatus = 1;       // 0 normal, 1 crashed; 1 until known
    QString standardOutput;
    QString standardError;
    QString errorText;        // the process error, empty when there was none

    // Started, neither timed out nor cancelled, exited normally with code 0.
    bool isClean() const
    {
        return started && !timedOut && !cancelled && exitStatus == 0 && exitCode == 0;
    }
};

}  // namespace hazard_desk
