#include "ZoomableImageView.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QResizeEvent>
#include <QWheelEvent>


namespace hazard_desk {
namespace {

QImage testImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image;
}

// A 400x300 view showing a 200x100 image: fitted scale 2, image at (0, 50).
struct ImageViewFixture : ::testing::Test {
    ImageViewFixture() {
        view.resize(400, 300);
        view.setImage(testImage(200, 100));
    }
    void wheel(const QPoint& at, int delta) {
        QWheelEvent event(QPointF(at), QPointF(view.mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&view, &event);
    }
    void resizeTo(int width, int height) {
        const QSize old = view.size();
        view.resize(width, height);
        QResizeEvent event(QSize(width, height), old);
        QCoreApplication::sendEvent(&view, &event);
    }
    ZoomableImageView view;
};

// Fitted and centred, refitted on resize while auto-fitting; the user's zoom
// survives new frames until the image is cleared or a double click resets it.
TEST_F(ImageViewFixture, FitsUntilTheUserZoomsAndAgainAfterAClearOrAReset) {
    EXPECT_DOUBLE_EQ(view.scale(), 2.0);
    EXPECT_EQ(view.offset(), QPointF(0.0, 50.0));
    resizeTo(100, 300);
    EXPECT_DOUBLE_EQ(view.scale(), 0.5);
    EXPECT_EQ(view.offset(), QPointF(0.0, 125.0));
    resizeTo(4, 4);
    EXPECT_DOUBLE_EQ(view.scale(), ZoomableImageView::kMinScale) << "never below the minimum scale";
    resizeTo(400, 300);

    view.zoomIn();
    view.zoomIn();
    const double zoomed = view.scale();
    const QPointF offset = view.offset();
    view.setImage(testImage(200, 100));
    EXPECT_DOUBLE_EQ(view.scale(), zoomed);
    EXPECT_EQ(view.offset(), offset);
    EXPECT_FALSE(view.autoFit());
    QTest::mouseDClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_DOUBLE_EQ(view.scale(), 2.0);
    EXPECT_TRUE(view.autoFit());

    view.zoomIn();
    view.clearImage();
    EXPECT_TRUE(view.image().isNull());
    view.setImage(testImage(200, 100));
    EXPECT_DOUBLE_EQ(view.scale(), 2.0) << "the first image after clearing is fitted";
    EXPECT_TRUE(view.autoFit());
}

// At a limit nothing changes and nothing is announced.
TEST_F(ImageViewFixture, ZoomStopsAtItsLimits) {
    QSignalSpy scales(&view, &ZoomableImageView::scaleChanged);
    view.zoomAbout(QPointF(200, 150), 1000.0);
    EXPECT_DOUBLE_EQ(view.scale(), ZoomableImageView::kMaxScale);
    view.zoomAbout(QPointF(200, 150), 1e-6);
    EXPECT_DOUBLE_EQ(view.scale(), ZoomableImageView::kMinScale);
    const int before = scales.count();
    view.zoomAbout(QPointF(200, 150), 0.5);
    view.zoomOut();
    EXPECT_DOUBLE_EQ(view.scale(), ZoomableImageView::kMinScale);
    EXPECT_EQ(scales.count(), before);
    EXPECT_FALSE(view.autoFit());
}

TEST_F(ImageViewFixture, WheelZoomKeepsThePointUnderTheCursor) {
    view.zoomAbout(QPointF(200, 150), 2.0);  // 800x400: larger than the view both ways
    const QPoint cursor(300, 120);
    const QPoint pixelBefore = view.pixelAt(cursor);
    wheel(cursor, 120);
    EXPECT_NEAR(view.scale(), 4.0 * 1.15, 1e-12);
    EXPECT_EQ(view.pixelAt(cursor), pixelBefore);
    wheel(cursor, -120);
    EXPECT_NEAR(view.scale(), 4.0, 1e-12);
}

TEST_F(ImageViewFixture, PaintsTheFittedImageOnItsBackground) {
    const QImage shown = view.grab().toImage();
    EXPECT_EQ(shown.pixelColor(200, 150), QColor(Qt::darkCyan));
    EXPECT_EQ(shown.pixelColor(200, 20), QColor(32, 36, 44)) << "background above the fitted image";
}

}  // namespace
}  // namespace hazard_desk
