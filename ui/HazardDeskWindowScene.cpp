// The window's side of the scene in the 3D view: which configuration it
// shows, the zone preview, the live cloud and depth view of every frame, and
// the boxes the camera reports. The clouds and the overlay are view/'s.
#include "HazardDeskWindow.h"

#include "LightweightGlEngine.h"
#include "ParameterEditorController.h"
#include "ObstacleSceneClouds.h"
#include "ObstacleSceneOverlay.h"
#include "PointCloudPane.h"
#include "ShownSceneConfiguration.h"
#include "ViewGrid.h"
#include "ZoomableImageView.h"

#include "ZoneContainment.h"

#include <QCheckBox>

#include <cmath>

namespace hazard_desk {

ShownSceneConfiguration HazardDeskWindow::shownScene() const {
    const SceneConfigurationState scene{state_.editMode, state_.connected, editor_->offlineEdit()};
    return ShownSceneConfiguration::choose(scene, editor_->draft(), runningConfiguration_);
}

void HazardDeskWindow::refreshZonePreview() {
    editor_->collectDraftFromEditor();
    const ShownSceneConfiguration shown = shownScene();
    sceneClouds_->showZones(shown.zones ? &*shown.zones : nullptr);
    refreshRegionSummary();
    refreshPointCloudTitle();
    refreshLiveCloud();
    viewGrid_->pointCloudView()->engine()->commitRemovals();
}

void HazardDeskWindow::refreshLiveCloud() {
    const ShownSceneConfiguration shown = shownScene();
    sceneOverlay_->setExtrinsics(shown.extrinsics);
    LiveCloudStyle style;
    style.pseudoColor = viewGrid_->cloudPseudoColorCheck()->isChecked();
    bool numeric = false;
    const double maxDepthMm = state_.connectedDescriptor.value(QStringLiteral("maxDepthMm")).toDouble(&numeric);
    style.maxDepthMm = numeric ? maxDepthMm : 0.0;
    style.extrinsics = shown.extrinsics;
    if (shown.zones) {
        style.zones = zavov::highlightVolumes(*shown.zones);
    }
    shownDepth_ = sceneClouds_->showLiveCloud(lastCloud_, lastDepthPixels_, lastDepth_, style,
                                              viewGrid_->showCloudCheck()->isChecked());
    if (viewGrid_->showDepthCheck()->isChecked() && !shownDepth_.isNull()) {
        viewGrid_->depthView()->setImage(shownDepth_);
    }
}

void HazardDeskWindow::refreshDetectedBoxes(const QVariantList& boxes) {
    sceneClouds_->showDetectedBoxes(boxes);
}

}  // namespace hazard_desk
