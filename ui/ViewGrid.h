#pragma once
// The centre panel: the view check boxes, the 2x2 grid of point-cloud, RGB,
// depth and amplitude panes, and the view status strip. At least the
// point-cloud pane always stays visible.
#include <QWidget>

class QCheckBox;
class QLabel;

namespace hazard_desk {

class PointCloudPane;
class ZoomableImageView;

class ViewGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int kControlBarHeight = 38;
    static constexpr int kPaneTitleHeight = 24;
    static constexpr int kStatusBarHeight = 26;

    explicit ViewGrid(QWidget* parent = nullptr);

    QCheckBox* showCloudCheck() const { return showCloud_; }
    QCheckBox* showRgbCheck() const { return showRgb_; }
    QCheckBox* showDepthCheck() const { return showDepth_; }
    QCheckBox* showAmplitudeCheck() const { return showAmplitude_; }
    QCheckBox* cloudPseudoColorCheck() const { return cloudPseudoColor_; }
    PointCloudPane* pointCloudView() const { return pointCloudView_; }
    ZoomableImageView* rgbView() const { return rgbView_; }
    ZoomableImageView* depthView() const { return depthView_; }
    ZoomableImageView* amplitudeView() const { return amplitudeView_; }
    QLabel* pointCloudPaneTitle() const { return pointCloudTitle_; }
    QLabel* depthPaneTitle() const { return depthTitle_; }
    QLabel* viewStatusLabel() const { return viewStatusLabel_; }

private:
    QWidget* makePane(QLabel*& title, const char* titleName, const QString& titleText, QWidget* view);
    void onShowToggled();

    QCheckBox* showCloud_ = nullptr;
    QCheckBox* showRgb_ = nullptr;
    QCheckBox* showDepth_ = nullptr;
    QCheckBox* showAmplitude_ = nullptr;
    QCheckBox* cloudPseudoColor_ = nullptr;
    PointCloudPane* pointCloudView_ = nullptr;
    ZoomableImageView* rgbView_ = nullptr;
    ZoomableImageView* depthView_ = nullptr;
    ZoomableImageView* amplitudeView_ = nullptr;
    QLabel* pointCloudTitle_ = nullptr;
    QLabel* depthTitle_ = nullptr;
    QLabel* viewStatusLabel_ = nullptr;
    QWidget* panes_[4] = {};
};

}  // namespace hazard_desk
