#include "DeviceListDelegate.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QListWidget>
#include <QPixmap>

namespace hazard_desk {
namespace {

class DeviceListDelegateTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.setItemDelegate(new DeviceListDelegate(&list));
        list.setFrameShape(QFrame::NoFrame);
        new QListWidgetItem(QStringLiteral("CAM-0001\n127.0.10.1"), &list);
        new QListWidgetItem(QStringLiteral("CAM-0002\n127.0.10.2"), &list);
        list.resize(260, 200);
        list.item(0)->setSelected(true);
        list.show();
    }
    QImage grab() { return list.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    QListWidget list;
};

TEST_F(DeviceListDelegateTest, SelectedRowHasFillAccentBarAndText) {
    const QImage image = grab();
    const QRect row = list.visualItemRect(list.item(0));
    const QRgb fill = DeviceListDelegate::selectedFill().rgb();
    const QRgb accent = DeviceListDelegate::accentColour().rgb();
    EXPECT_EQ(image.pixel(row.left() + 1, row.center().y()), accent) << "accent bar at the left edge";
    EXPECT_EQ(image.pixel(row.right() - 2, row.top() + 2), fill);

    // Both text lines put pixels into the text area; the first line sits above the second.
    const QFontMetrics metrics(list.font());
    int firstLine = 0;
    int secondLine = 0;
    for (int y = row.top() + 5; y < row.bottom(); ++y) {
        for (int x = row.left() + 11; x < row.left() + 120; ++x) {
            if (image.pixel(x, y) != fill) {
                (y < row.top() + 5 + metrics.height() ? firstLine : secondLine) += 1;
            }
        }
    }
    EXPECT_GT(firstLine, 20);
    EXPECT_GT(secondLine, 20);

    const QRect second = list.visualItemRect(list.item(1));
    EXPECT_NE(image.pixel(second.left() + 1, second.center().y()), DeviceListDelegate::accentColour().rgb());
    EXPECT_NE(image.pixel(second.left() + 1, second.center().y()), DeviceListDelegate::selectedFill().rgb());
}

TEST_F(DeviceListDelegateTest, LongIdsStayOnTheirLineAndLeaveTheIpLineAlone) {
    const QRect row = list.visualItemRect(list.item(0));
    const QFontMetrics metrics(list.font());
    const QRect ipLine(row.left(), row.top() + 5 + metrics.height() + 2, row.width(),
                       row.height() - 5 - metrics.height() - 3);
    const QImage shortId = grab().copy(ipLine);
    list.item(0)->setText(QStringLiteral("CAM-%1\n127.0.10.1").arg(QString(80, QLatin1Char('W'))));
    const QImage longId = grab().copy(ipLine);
    EXPECT_EQ(shortId, longId) << "the elided ID neither wraps nor spills into the second line";
    EXPECT_EQ(list.visualItemRect(list.item(0)).height(), row.height());
}

}  // namespace
}  // namespace hazard_desk
