#include "ViewGrid.h"

#include "LightweightGlEngine.h"
#include "PointCloudPane.h"
#include "ZoomableImageView.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace hazard_desk {
namespace {
constexpr int kViewMinimumWidth = 260;
constexpr int kViewMinimumHeight = 220;

QCheckBox* makeCheck(QWidget* parent, const char* name, const QString& text) {
    auto* check = new QCheckBox(text, parent);
    check->setObjectName(QString::fromLatin1(name));
    check->setChecked(true);
    return check;
}
}  // namespace

ViewGrid::ViewGrid(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("centerPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* controlBar = new QFrame(this);
    controlBar->setObjectName(QStringLiteral("viewControlBar"));
    controlBar->setFixedHeight(kControlBarHeight);
    auto* controlLayout = new QHBoxLayout(controlBar);
    controlLayout->setContentsMargins(10, 0, 10, 0);
    controlLayout->setSpacing(12);
    auto* toggleTitle = new QLabel(QStringLiteral("显示"), controlBar);
    toggleTitle->setObjectName(QStringLiteral("viewToggleTitleLabel"));
    showCloud_ = makeCheck(controlBar, "showCloudCheck", QStringLiteral("点云"));
    showRgb_ = makeCheck(controlBar, "showRgbCheck", QStringLiteral("RGB"));
    showDepth_ = makeCheck(controlBar, "showDepthCheck", QStringLiteral("深度"));
    showAmplitude_ = makeCheck(controlBar, "showAmplitudeCheck", QStringLiteral("强度"));
    cloudPseudoColor_ = makeCheck(controlBar, "cloudPseudoColorCheck", QStringLiteral("点云伪色"));
    cloudPseudoColor_->setToolTip(
        QStringLiteral("近处淡红、远处蓝；停障区鲜红、预警区黄色。关闭后显示原始颜色，无颜色的点显示灰色。"));
    controlLayout->addWidget(toggleTitle);
    for (QCheckBox* check : {showCloud_, showRgb_, showDepth_, showAmplitude_, cloudPseudoColor_}) {
        controlLayout->addWidget(check);
    }
    controlLayout->addStretch(1);
    layout->addWidget(controlBar);

    auto* gridContainer = new QWidget(this);
    gridContainer->setObjectName(QStringLiteral("viewGridContainer"));
    auto* grid = new QGridLayout(gridContainer);
    grid->setObjectName(QStringLiteral("viewGridLayout"));
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setSpacing(4);

    pointCloudView_ = new PointCloudPane(gridContainer);
    pointCloudView_->setObjectName(QStringLiteral("pointCloudPane"));
    // The name belongs to the 3D view itself, the widget the style sheet and
    // the translation snapshots address.
    pointCloudView_->engine()->setObjectName(QStringLiteral("pointCloudView"));
    rgbView_ = new ZoomableImageView(gridContainer);
    rgbView_->setObjectName(QStringLiteral("rgbView"));
    rgbView_->setText(QStringLiteral("等待 RGB 数据"));
    depthView_ = new ZoomableImageView(gridContainer);
    depthView_->setObjectName(QStringLiteral("depthView"));
    depthView_->setSmoothScaling(false);
    depthView_->setText(QStringLiteral("等待深度数据"));
    amplitudeView_ = new ZoomableImageView(gridContainer);
    amplitudeView_->setObjectName(QStringLiteral("amplitudeView"));
    amplitudeView_->setText(QStringLiteral("等待强度数据"));

    QLabel* rgbTitle = nullptr;
    QLabel* amplitudeTitle = nullptr;
    panes_[0] = makePane(pointCloudTitle_, "pointCloudPaneTitle", QStringLiteral("3D 点云 / 避障区域"), pointCloudView_);
    panes_[1] = makePane(rgbTitle, "rgbPaneTitle", QStringLiteral("RGB 图像"), rgbView_);
    panes_[2] = makePane(depthTitle_, "depthPaneTitle", QStringLiteral("深度伪彩"), depthView_);
    panes_[3] = makePane(amplitudeTitle, "amplitudePaneTitle", QStringLiteral("幅值 / 强度"), amplitudeView_);
    grid->addWidget(panes_[0], 0, 0);
    grid->addWidget(panes_[1], 0, 1);
    grid->addWidget(panes_[2], 1, 0);
    grid->addWidget(panes_[3], 1, 1);
    layout->addWidget(gridContainer, 1);

    auto* statusBar = new QFrame(this);
    statusBar->setObjectName(QStringLiteral("centerStatusBar"));
    statusBar->setFixedHeight(kStatusBarHeight);
    auto* statusLayout = new QHBoxLayout(statusBar);
    statusLayout->setContentsMargins(10, 0, 10, 0);
    viewStatusLabel_ = new QLabel(QStringLiteral("等待连接相机"), statusBar);
    viewStatusLabel_->setObjectName(QStringLiteral("viewStatusLabel"));
    auto* hint = new QLabel(QStringLiteral("X 前向 · Y 横向 · Z 向上 · 单位 mm"), statusBar);
    hint->setObjectName(QStringLiteral("coordinateHintLabel"));
    statusLayout->addWidget(viewStatusLabel_, 1);
    statusLayout->addWidget(hint);
    layout->addWidget(statusBar);

    for (QCheckBox* check : {showCloud_, showRgb_, showDepth_, showAmplitude_}) {
        connect(check, &QCheckBox::toggled, this, &ViewGrid::onShowToggled);
    }
}

QWidget* ViewGrid::makePane(QLabel*& title, const char* titleName, const QString& titleText, QWidget* view) {
    auto* pane = new QWidget(view->parentWidget());
    auto* paneLayout = new QVBoxLayout(pane);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    paneLayout->setSpacing(0);
    title = new QLabel(titleText, pane);
    title->setObjectName(QString::fromLatin1(titleName));
    title->setFixedHeight(kPaneTitleHeight);
    title->setStyleSheet(QStringLiteral("background:#101a25;color:#8fabc5;padding-left:7px;"));
    view->setParent(pane);
    view->setMinimumSize(kViewMinimumWidth, kViewMinimumHeight);
    paneLayout->addWidget(title);
    paneLayout->addWidget(view, 1);
    return pane;
}

void ViewGrid::onShowToggled() {
    if (!showCloud_->isChecked() && !showRgb_->isChecked() && !showDepth_->isChecked() &&
        !showAmplitude_->isChecked()) {
        // At least the point-cloud pane stays visible.
        const QSignalBlocker blocker(showCloud_);
        showCloud_->setChecked(true);
    }
    const QCheckBox* checks[4] = {showCloud_, showRgb_, showDepth_, showAmplitude_};
    for (int i = 0; i < 4; ++i) {
        panes_[i]->setVisible(checks[i]->isChecked());
    }
}

}  // namespace hazard_desk
