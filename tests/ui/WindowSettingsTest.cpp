#include "HazardDeskWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTest>

#include <memory>

namespace hazard_desk {
namespace {

class WindowSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings().clear();
        QSettings().setValue(QStringLiteral("camera/autoRefreshDevices"), false);
    }
    static QVariant stored(const char* key) { return QSettings().value(QString::fromLatin1(key)); }
};

TEST_F(WindowSettingsTest, RestoresTheTrimmedFilterSplitterAndToggles) {
    QList<int> savedSizes;
    {
        HazardDeskWindow window;
        window.show();
        QSplitter* splitter = window.workspaceSplitter();
        const QList<int> sizes = splitter->sizes();
        splitter->setSizes({sizes[0] + 60, sizes[1] - 60, sizes[2]});
        savedSizes = splitter->sizes();
        window.findChild<QLineEdit*>(QStringLiteral("deviceFilterEdit"))->setText(QStringLiteral("  SN-0007 "));
        window.findChild<QCheckBox*>(QStringLiteral("cloudPseudoColorCheck"))->setChecked(false);
        window.close();
    }
    EXPECT_FALSE(stored("view/cloudPseudoColor").toBool()) << "saved when toggled";
    EXPECT_EQ(stored("camera/deviceFilter").toString(), QStringLiteral("SN-0007"));
    HazardDeskWindow restored;
    restored.show();
    EXPECT_EQ(restored.findChild<QLineEdit*>(QStringLiteral("deviceFilterEdit"))->text(), QStringLiteral("SN-0007"));
    EXPECT_FALSE(restored.findChild<QCheckBox*>(QStringLiteral("cloudPseudoColorCheck"))->isChecked());
    EXPECT_FALSE(restored.findChild<QCheckBox*>(QStringLiteral("autoRefreshDevicesCheck"))->isChecked());
    EXPECT_EQ(restored.workspaceSplitter()->sizes(), savedSizes);
}

TEST_F(WindowSettingsTest, EmptySplitterStateKeepsTheDefaultSizes) {
    QSettings().setValue(QStringLiteral("window/splitter"), QByteArray());
    HazardDeskWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QList<int> sizes = window.workspaceSplitter()->sizes();
    // The side panels keep their default widths; the centre takes the rest.
    ASSERT_EQ(sizes.size(), 3);
    EXPECT_EQ(sizes[0], 260);
    EXPECT_EQ(sizes[2], 340);
    EXPECT_EQ(sizes[0] + sizes[1] + sizes[2] + 2 * window.workspaceSplitter()->handleWidth(),
              window.workspaceSplitter()->width());
}

TEST_F(WindowSettingsTest, OversizedGeometryIsClampedToTheScreenAndMovedToItsTopLeft) {
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    if (available.width() < HazardDeskWindow::kMinimumWidth || available.height() < HazardDeskWindow::kMinimumHeight) {
        GTEST_SKIP() << "screen smaller than the window's minimum size";
    }
    {
        HazardDeskWindow large;
        large.setGeometry(available.x() + 40, available.y() + 40, available.width() * 2, available.height() * 2);
        QSettings().setValue(QStringLiteral("window/geometry"), large.saveGeometry());
    }
    HazardDeskWindow window;
    EXPECT_LE(window.width(), available.width());
    EXPECT_LE(window.height(), available.height());
    EXPECT_EQ(window.pos(), available.topLeft());
}

}  // namespace
}  // namespace hazard_desk
