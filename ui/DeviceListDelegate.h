#pragma once
// Paints one discovered camera per row of the device list: the camera ID in
// a demi-bold first line, the IP address below it, an accent bar on the
// selected row and a thin separator under every row.
#include <QColor>
#include <QStyledItemDelegate>

namespace hazard_desk {

class DeviceListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int kMinimumRowHeight = 46;
    static constexpr int kRowPadding = 12;
    static constexpr int kAccentBarWidth = 3;
    static constexpr int kAccentBarInset = 5;
    static constexpr int kTextLeftInset = 11;
    static constexpr int kTextTopInset = 5;
    static constexpr int kSecondLineGap = 2;

    static QColor selectedFill() { return QColor(19, 59, 82); }
    static QColor accentColour() { return QColor(67, 197, 245); }
    static QColor separatorColour() { return QColor(27, 41, 56); }

    explicit DeviceListDelegate(QObject* parent = nullptr);

    // max(2 x font height + padding, minimum row height)
    static int rowHeight(const QFontMetrics& metrics);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace hazard_desk
