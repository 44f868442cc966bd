#include "LightweightGlEngine.h"
#include "PointCloudPane.h"

#include <gtest/gtest.h>

#include <QDoubleSpinBox>

namespace hazard_desk {
namespace {

TEST(PointCloudPaneTest, PointSizeControlSetsTheViewsPointSize) {
    PointCloudPane pane;
    auto* spin = pane.findChild<QDoubleSpinBox*>(QStringLiteral("pointCloudPointSize"));
    ASSERT_NE(spin, nullptr);
    spin->setValue(4.5);
    EXPECT_FLOAT_EQ(pane.engine()->pointSize(), 4.5f);
    spin->setValue(9.0);
    EXPECT_FLOAT_EQ(pane.engine()->pointSize(), 5.0f);
}

}  // namespace
}  // namespace hazard_desk
