#pragma once
// Draws the timeline of a scored recording with Qt's painter: a band of the
// verdict per frame (safe green, warning amber, stop red) over the points
// per level (danger, warning, notify) against time, written as a PNG.
// Needs a QGuiApplication for the labels (without one, none are drawn).
#include <QImage>
#include <QString>
#include <vector>

#include "RecordingScorer.h"

namespace hazard_desk::recording {

class ScoreTimelinePlot {
public:
    static constexpr int kWidth = 1200;
    static constexpr int kHeight = 420;

    static QImage render(const std::vector<FrameScore>& scores, const QString& title);
    // False with error set when the image cannot be written.
    static bool save(const std::vector<FrameScore>& scores, const QString& title, const QString& path,
                     QString& error);
};

}  // namespace hazard_desk::recording
