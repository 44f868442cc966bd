#include "LightweightGlEngine.h"
#include "PointCloudPane.h"
#include "PointCloudToolbar.h"

#include <gtest/gtest.h>

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>

namespace hazard_desk {
namespace {

TEST(PointCloudPaneTest, PointSizeControlLeadsTheToolbar) {
    PointCloudPane pane;
    auto* spin = pane.findChild<QDoubleSpinBox*>(QStringLiteral("pointCloudPointSize"));
    ASSERT_NE(spin, nullptr);
    EXPECT_DOUBLE_EQ(spin->minimum(), 1.0);
    EXPECT_DOUBLE_EQ(spin->maximum(), 5.0);
    EXPECT_EQ(spin->decimals(), 1);
    EXPECT_DOUBLE_EQ(spin->singleStep(), 0.5);
    EXPECT_DOUBLE_EQ(spin->value(), 2.0);
    EXPECT_FALSE(spin->keyboardTracking());
    QHBoxLayout* layout = pane.engine()->toolbar()->buttonLayout();
    auto* label = qobject_cast<QLabel*>(layout->itemAt(0)->widget());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("点大小"));
    EXPECT_EQ(layout->itemAt(1)->widget(), spin);
    EXPECT_EQ(layout->spacing(), 5);

    spin->setValue(4.5);
    EXPECT_FLOAT_EQ(pane.engine()->pointSize(), 4.5f);
    spin->setValue(9.0);
    EXPECT_FLOAT_EQ(pane.engine()->pointSize(), 5.0f);
}

TEST(PointCloudPaneTest, LiveCloudGoesToTheEngine) {
    PointCloudPane pane;
    auto cloud = std::make_shared<corVane::ColorCloud>();
    cloud->points.resize(7);
    pane.updateLiveCloud(cloud);
    EXPECT_EQ(pane.pointCount(), 7u);
    EXPECT_EQ(pane.engine()->currentCloud(), cloud);
    pane.clearClouds();
    EXPECT_EQ(pane.pointCount(), 0u);
    EXPECT_TRUE(pane.engine()->cloudIds().empty());
}

}  // namespace
}  // namespace hazard_desk
