#pragma once
// The camera side of the export: its image folder and the two POSIX shell
// scripts plink runs there. Their markers and exit codes are what the export
// reads back.
#include <QString>

namespace hazard_desk {

class RemoteImageScripts {
public:
    static constexpr const char* kImageDirectory = "/userdata/const/AvoidanceImage";
    // Tests point the export at a folder of their own SSH server; honoured
    // only for loopback hosts, so no camera's folder can be redirected.
    static constexpr const char* kTestDirectoryVariable = "HD_TEST_SSH_IMAGE_DIR";

    static constexpr const char* kReadyMarker = "VQ8_IMAGES_READY:";
    static constexpr const char* kClearedMarker = "VQ8_IMAGES_CLEARED";
    static constexpr const char* kMissingMarker = "VQ8_IMAGE_DIR_MISSING";
    static constexpr const char* kClearFailedMarker = "VQ8_IMAGE_CLEAR_FAILED";
    static constexpr int kVerifyMissingStatus = 30;
    static constexpr int kClearMissingStatus = 31;
    static constexpr int kClearFailedStatus = 32;

    // The image folder for host: the camera's fixed folder, or the test
    // folder for a loopback host when the variable holds an absolute path.
    static QString imageDirectory(const QString& host);

    // Prints "VQ8_IMAGES_READY:<count of regular files below the folder>".
    static QString verifyScript(const QString& directory);

    // Removes every entry of the folder, dot files included, and keeps the
    // folder; prints "VQ8_IMAGES_CLEARED".
    static QString clearScript(const QString& directory);

    // The count of the first "VQ8_IMAGES_READY:" line of the verify output:
    // countText is the trimmed text after the colon; false when there is no
    // such line or the text is not a non-negative whole number.
    static bool readyCount(const QString& output, QString& countText, int& count);

    // directory in single quotes for the shell.
    static QString quoted(const QString& directory);
};

}  // namespace hazard_desk
