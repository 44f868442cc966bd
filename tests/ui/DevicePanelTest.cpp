#include "DevicePanel.h"

#include "DeviceListDelegate.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QScrollBar>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>

namespace hazard_desk {
namespace {

QVariantMap device(const QString& id, const QString& ip, const QString& serial, const QString& model = QStringLiteral("K7"),
                   const QString& name = QString()) {
    return QVariantMap{{QStringLiteral("id"), id},         {QStringLiteral("ip"), ip},
                       {QStringLiteral("serial"), serial}, {QStringLiteral("model"), model},
                       {QStringLiteral("name"), name},     {QStringLiteral("firmware"), QStringLiteral("3.0.1")}};
}

QVariantList manyDevices(int count) {
    QVariantList list;
    for (int i = 0; i < count; ++i) {
        list << device(QStringLiteral("CAM-%1").arg(i), QStringLiteral("127.0.10.%1").arg(i + 1),
                       QStringLiteral("SN-%1").arg(i));
    }
    return list;
}

class DevicePanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(host.get());
        panel = new DevicePanel(host.get(), layout);
        host->resize(320, 600);
        host->show();
    }
    QListWidget* list() const { return panel->deviceList(); }
    QString selectedSerial() const { return panel->selectedVisibleDescriptor().value(QStringLiteral("serial")).toString(); }
    QString valueOf(const char* name) const {
        return host->findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
    int visibleCount() const {
        int visible = 0;
        for (int row = 0; row < list()->count(); ++row) {
            visible += list()->item(row)->isHidden() ? 0 : 1;
        }
        return visible;
    }

    std::unique_ptr<QWidget> host;
    DevicePanel* panel = nullptr;
};

TEST_F(DevicePanelTest, ItemsCarryIdAndIpTextTooltipAndDescriptor) {
    QVariantMap blankId = device(QStringLiteral("  "), QStringLiteral("127.0.10.9"), QStringLiteral("SN-9"));
    ASSERT_TRUE(panel->showDevices({device(QStringLiteral(" CAM-1 "), QStringLiteral("127.0.10.1"), QStringLiteral("SN-1")),
                                    blankId}));
    ASSERT_EQ(list()->count(), 2);
    EXPECT_EQ(list()->item(0)->text(), QStringLiteral("CAM-1\n127.0.10.1"));
    EXPECT_EQ(list()->item(1)->text(), QStringLiteral("--\n127.0.10.9"));
    EXPECT_EQ(list()->item(1)->data(Qt::UserRole).toMap(), blankId);
    EXPECT_EQ(selectedSerial(), QStringLiteral("SN-1")) << "the first row is selected on a fresh list";
    EXPECT_EQ(valueOf("deviceIdValueLabel"), QStringLiteral("CAM-1"));
}

// A new discovery answer: the same list leaves the items, the selection and
// the scroll position as they were; a changed one is rebuilt around the
// selected camera, or the first row when that camera is gone.
TEST_F(DevicePanelTest, NewListsKeepTheSelectedCameraAndTheScrollPosition) {
    const QVariantList devices = manyDevices(12);
    panel->showDevices(devices);
    list()->clearSelection();
    list()->item(9)->setSelected(true);
    list()->verticalScrollBar()->setValue(list()->verticalScrollBar()->maximum());
    const int scroll = list()->verticalScrollBar()->value();
    ASSERT_GT(scroll, 0) << "twelve rows must overflow the list";
    QListWidgetItem* before = list()->item(0);
    EXPECT_FALSE(panel->showDevices(devices));
    EXPECT_EQ(list()->item(0), before) << "the items were not recreated";
    EXPECT_EQ(selectedSerial(), QStringLiteral("SN-9"));
    EXPECT_EQ(list()->verticalScrollBar()->value(), scroll);

    QVariantList changed = devices;
    std::swap(changed[0], changed[9]);
    QVariantMap renamed = changed[3].toMap();
    renamed[QStringLiteral("name")] = QStringLiteral("rear");
    changed[3] = renamed;
    EXPECT_TRUE(panel->showDevices(changed));
    EXPECT_EQ(selectedSerial(), QStringLiteral("SN-9"));
    EXPECT_TRUE(list()->item(0)->isSelected()) << "the camera moved to row 0 and stayed selected";
    EXPECT_EQ(list()->verticalScrollBar()->value(), scroll);

    panel->showDevices(manyDevices(2));
    EXPECT_EQ(selectedSerial(), QStringLiteral("SN-0"));
    panel->showDevices({});
    EXPECT_EQ(list()->count(), 0);
    EXPECT_TRUE(panel->selectedVisibleDescriptor().isEmpty());
    for (const char* name : {"deviceModelValueLabel", "deviceIdValueLabel", "deviceSerialValueLabel",
                             "deviceIpValueLabel", "firmwareValueLabel"}) {
        EXPECT_EQ(valueOf(name), QStringLiteral("--")) << name;
    }
}

struct FilterCase {
    const char* filter;
    int visible;
};

TEST_F(DevicePanelTest, FilterSearchesModelIpIdSerialAndNameIgnoringCase) {
    panel->showDevices({device(QStringLiteral("CAM-A"), QStringLiteral("127.0.10.1"), QStringLiteral("SN-AAA"),
                               QStringLiteral("VQ8-K7"), QStringLiteral("front left")),
                        device(QStringLiteral("CAM-B"), QStringLiteral("127.0.10.2"), QStringLiteral("SN-BBB"),
                               QStringLiteral("VQ8-M3"), QStringLiteral("rear"))});
    const FilterCase cases[] = {
        {"   ", 2},  {"vq8-k7", 1}, {"10.2", 1}, {"cam-b", 1}, {"sn-aaa", 1}, {"  rear ", 1},
        {"rear 127", 0} /* name is last, not before the ip */,
        {"K7 127.0.10.1", 1} /* model then ip, joined by a blank */,
    };
    for (const FilterCase& c : cases) {
        panel->deviceFilterEdit()->setText(QString::fromUtf8(c.filter));
        EXPECT_EQ(visibleCount(), c.visible) << '"' << c.filter << '"';
    }
}

// Typing a filter hides the selected camera without picking another; the
// filter applied picks the first visible one; a lookup by address clears a
// filter that hides the camera, and a failed one keeps the selection.
TEST_F(DevicePanelTest, FilterAndAddressLookupDecideTheSelection) {
    panel->showDevices(manyDevices(4));
    QSignalSpy changes(panel, &DevicePanel::selectionChanged);
    panel->deviceFilterEdit()->setText(QStringLiteral("SN-2"));
    EXPECT_TRUE(panel->selectedVisibleDescriptor().isEmpty()) << "typing does not pick a camera";
    EXPECT_EQ(valueOf("deviceSerialValueLabel"), QStringLiteral("--"));
    EXPECT_GE(changes.count(), 1);
    panel->applyDeviceFilter(true);
    EXPECT_EQ(selectedSerial(), QStringLiteral("SN-2"));
    EXPECT_EQ(valueOf("deviceSerialValueLabel"), QStringLiteral("SN-2"));

    EXPECT_TRUE(panel->selectDeviceByAddress(QStringLiteral("127.0.10.4")));
    EXPECT_TRUE(panel->deviceFilterEdit()->text().isEmpty());
    EXPECT_EQ(selectedSerial(), QStringLiteral("SN-3"));
    EXPECT_EQ(list()->selectedItems().size(), 1);
    EXPECT_FALSE(panel->selectDeviceByAddress(QStringLiteral("127.0.10.99")));
    EXPECT_EQ(selectedSerial(), QStringLiteral("SN-3")) << "a failed lookup keeps the selection";
}

TEST_F(DevicePanelTest, ConnectedFormDoesNotFollowTheSelection) {
    panel->showDevices(manyDevices(2));
    panel->setFollowSelection(false);
    panel->showDeviceInformation(device(QStringLiteral("LIVE"), QStringLiteral("127.0.0.5"), QStringLiteral("SN-L")));
    list()->clearSelection();
    list()->item(1)->setSelected(true);
    EXPECT_EQ(valueOf("deviceIdValueLabel"), QStringLiteral("LIVE"));
}

// How a row is painted.
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
