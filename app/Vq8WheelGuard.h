#pragma once
// Application-wide event filter that keeps the mouse wheel from changing spin
// boxes and combo boxes by accident while the user scrolls a long panel: a
// spin box takes the wheel only after it was clicked and while it keeps the
// focus; otherwise the wheel scrolls the surrounding scroll area.
#include <QObject>

namespace vq8ui {

class Vq8WheelGuard : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kArmedProperty = "vq8WheelArmed";

    explicit Vq8WheelGuard(QObject* parent = nullptr);

    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace vq8ui
