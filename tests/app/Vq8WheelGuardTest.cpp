// The wheel guard of the parameter panels: scrolling a long panel never
// changes a field by accident.
#include "Vq8WheelGuard.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace vq8ui {
namespace {

// A tall scroll area holding a spin box and a combo box, like the parameter panel.
struct Panel {
    QScrollArea area;
    QWidget* content = new QWidget;
    QDoubleSpinBox* spin = new QDoubleSpinBox;
    QComboBox* combo = new QComboBox;

    Panel() {
        auto* layout = new QVBoxLayout(content);
        spin->setRange(0, 100);
        spin->setValue(50);
        combo->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        layout->addWidget(spin);
        layout->addWidget(combo);
        layout->addSpacing(3000);
        area.setWidget(content);
        area.resize(200, 200);
        area.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&area));
    }
};

void wheelDown(QWidget* target) {
    const QPointF pos(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent event(pos, target->mapToGlobal(pos.toPoint()), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

// Unfocused fields keep their values and the panel scrolls; a clicked and
// focused spin box takes the wheel until the focus leaves it.
TEST(Vq8WheelGuard, FieldsTakeTheWheelOnlyWhileClickedAndFocused) {
    Vq8WheelGuard guard;
    qApp->installEventFilter(&guard);
    Panel panel;
    wheelDown(panel.spin);
    EXPECT_EQ(panel.spin->value(), 50);
    const int scrolled = panel.area.verticalScrollBar()->value();
    EXPECT_GT(scrolled, 0);
    wheelDown(panel.combo);
    EXPECT_EQ(panel.combo->currentIndex(), 0);
    EXPECT_GT(panel.area.verticalScrollBar()->value(), scrolled);

    QApplication::setActiveWindow(&panel.area);
    QTest::mouseClick(panel.spin, Qt::LeftButton);
    panel.spin->setFocus();
    EXPECT_TRUE(panel.spin->property(Vq8WheelGuard::kArmedProperty).toBool());
    if (!panel.spin->hasFocus()) {
        qApp->removeEventFilter(&guard);
        GTEST_SKIP() << "the window manager gave no focus";
    }
    wheelDown(panel.spin);
    EXPECT_EQ(panel.spin->value(), 49);
    panel.combo->setFocus();
    EXPECT_FALSE(panel.spin->property(Vq8WheelGuard::kArmedProperty).toBool());
    wheelDown(panel.spin);
    EXPECT_EQ(panel.spin->value(), 49);
    qApp->removeEventFilter(&guard);
}

}  // namespace
}  // namespace vq8ui
