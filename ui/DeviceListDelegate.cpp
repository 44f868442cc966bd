#include "DeviceListDelegate.h"

#include <QPainter>

#include <algorithm>

namespace hazard_desk {

DeviceListDelegate::DeviceListDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

int DeviceListDelegate::rowHeight(const QFontMetrics& metrics) {
    return std::max(2 * metrics.height() + kRowPadding, kMinimumRowHeight);
}

QSize DeviceListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QSize base = QStyledItemDelegate::sizeHint(option, index);
    return QSize(base.width(), rowHeight(option.fontMetrics));
}

void DeviceListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    const QRect row = option.rect;
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const bool enabled = option.state.testFlag(QStyle::State_Enabled);
    if (selected) {
        painter->fillRect(row, selectedFill());
        painter->fillRect(QRect(row.left(), row.top() + kAccentBarInset, kAccentBarWidth,
                                row.height() - 2 * kAccentBarInset),
                          accentColour());
    }

    // The item text is "ID\nIP"; a text without a line break has no second line.
    const QString text = index.data(Qt::DisplayRole).toString();
    const int split = text.indexOf(QLatin1Char('\n'));
    const QString idLine = split < 0 ? text : text.left(split);
    const QString ipLine = split < 0 ? QString() : text.mid(split + 1);

    const QRect textArea = row.adjusted(kTextLeftInset, kTextTopInset, 0, 0);
    QFont idFont = option.font;
    idFont.setWeight(QFont::DemiBold);
    const QFontMetrics idMetrics(idFont);
    const QFontMetrics ipMetrics(option.font);
    const QPalette::ColorGroup group = enabled ? QPalette::Normal : QPalette::Disabled;
    const QColor textColour = option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);

    painter->setPen(textColour);
    painter->setFont(idFont);
    const QRect idRect(textArea.left(), textArea.top(), textArea.width(), idMetrics.height());
    painter->drawText(idRect, Qt::AlignLeft | Qt::AlignVCenter,
                      idMetrics.elidedText(idLine, Qt::ElideRight, textArea.width()));
    painter->setFont(option.font);
    const QRect ipRect(textArea.left(), idRect.bottom() + 1 + kSecondLineGap, textArea.width(), ipMetrics.height());
    painter->drawText(ipRect, Qt::AlignLeft | Qt::AlignVCenter,
                      ipMetrics.elidedText(ipLine, Qt::ElideRight, textArea.width()));

    painter->setPen(separatorColour());
    painter->drawLine(row.left(), row.bottom(), row.right(), row.bottom());
    painter->restore();
}

}  // namespace hazard_desk
