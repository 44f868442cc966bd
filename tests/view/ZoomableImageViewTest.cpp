#include "ZoomableImageView.h"

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QSignalSpy>
#include <QTest>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QWheelEvent>

#include <vector>

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
    void send(QEvent::Type type, const QPoint& at, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(at), QPointF(view.mapToGlobal(at)), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &event);
    }
    void drag(const QPoint& from, const QPoint& to) {
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }
    void resizeTo(int width, int height) {
        const QSize old = view.size();
        view.resize(width, height);
        QResizeEvent event(QSize(width, height), old);
        QCoreApplication::sendEvent(&view, &event);
    }
    void rightClick(const QPoint& at) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view.mapToGlobal(at));
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

TEST_F(ImageViewFixture, ZoomStopsAtItsLimits) {
    QSignalSpy scales(&view, &ZoomableImageView::scaleChanged);
    struct Case {
        double startFactor;  // applied first from the fitted scale 2
        double factor;
        double expected;
    };
    // 19 x 1.15 stops at 20, 0.052 / 1.15 at 0.05.
    const Case cases[] = {{9.5, 1.15, 20.0}, {0.026, 1.0 / 1.15, 0.05}, {1.0, 1.15, 2.3}};
    for (const Case& c : cases) {
        view.resetView();
        view.zoomAbout(QPointF(200, 150), c.startFactor);
        view.zoomAbout(QPointF(200, 150), c.factor);
        EXPECT_NEAR(view.scale(), c.expected, 1e-12);
    }
    // Already at the limit: nothing changes and nothing is announced.
    view.zoomAbout(QPointF(200, 150), 0.01);
    const int before = scales.count();
    view.zoomAbout(QPointF(200, 150), 0.5);
    view.zoomOut();
    EXPECT_DOUBLE_EQ(view.scale(), 0.05);
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
    wheel(cursor, 0);
    EXPECT_NEAR(view.scale(), 4.0, 1e-12) << "a zero delta does nothing";
}

TEST_F(ImageViewFixture, PanningIsClamped) {
    view.zoomAbout(QPointF(0, 0), 2.0);  // 800x400 image in a 400x300 view
    drag(QPoint(200, 150), QPoint(900, 900));
    EXPECT_EQ(view.offset(), QPointF(0.0, 0.0)) << "the image may not leave a gap";
    drag(QPoint(200, 150), QPoint(-900, -900));
    EXPECT_EQ(view.offset(), QPointF(-400.0, -100.0));
}

// The signal's integer arguments, or nothing when it was not sent.
std::vector<int> firstIntegers(const QSignalSpy& spy, int count) {
    std::vector<int> values;
    for (int i = 0; !spy.isEmpty() && i < count; ++i) {
        values.push_back(spy.at(0).at(i).toInt());
    }
    return values;
}

// Corners u0, v0, u1, v1 in image pixels, then the image size.
TEST_F(ImageViewFixture, SelectionNeedsThreePixelsEachWay) {
    QSignalSpy regions(&view, &ZoomableImageView::regionSelected);
    view.setSelectionMode(true);
    struct Case {
        QPoint from;
        QPoint to;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {QPoint(10, 60), QPoint(13, 160), {}},                            // 2 x 50 pixels
        {QPoint(30, 140), QPoint(10, 60), {5, 5, 15, 45, 200, 100}},      // ordered corners
        {QPoint(-50, 0), QPoint(500, 400), {0, 0, 199, 99, 200, 100}},    // clamped to the image
        {QPoint(10, 60), QPoint(15, 64), {5, 5, 7, 7, 200, 100}},         // 3 x 3 pixels is enough
        {QPoint(10, 60), QPoint(30, 63), {}},                             // 11 x 2 pixels
    };
    for (const Case& c : cases) {
        regions.clear();
        drag(c.from, c.to);
        EXPECT_LE(regions.count(), 1);
        EXPECT_EQ(firstIntegers(regions, 6), c.expected) << c.from.x() << "," << c.from.y();
    }
    EXPECT_DOUBLE_EQ(view.scale(), 2.0) << "selecting does not pan";
}

// Picking is off by default; on, only pixels inside the image are reported.
TEST_F(ImageViewFixture, PickingReportsOnlyPixelsInsideTheImage) {
    QSignalSpy picks(&view, &ZoomableImageView::pixelPicked);
    rightClick(QPoint(21, 71));
    EXPECT_EQ(picks.count(), 0);
    view.setPickEnabled(true);
    const std::pair<QPoint, std::vector<int>> cases[] = {{QPoint(21, 71), {10, 10, 200, 100}},
                                                         {QPoint(399, 249), {199, 99, 200, 100}},
                                                         {QPoint(100, 20), {}},
                                                         {QPoint(100, 260), {}}};
    for (const auto& [at, expected] : cases) {
        picks.clear();
        rightClick(at);
        EXPECT_LE(picks.count(), 1);
        EXPECT_EQ(firstIntegers(picks, 4), expected) << at.x() << "," << at.y();
    }
}

TEST(ZoomableImageViewTest, PaintsTheImageAndTheZoomPercentage) {
    ZoomableImageView view;
    view.resize(400, 300);
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 0));
    view.setImage(image);
    const QImage shown = view.grab().toImage();
    EXPECT_EQ(shown.pixelColor(200, 150), QColor(255, 0, 0));
    EXPECT_EQ(shown.pixelColor(200, 20), QColor(32, 36, 44)) << "background above the fitted image";
}

}  // namespace
}  // namespace hazard_desk
