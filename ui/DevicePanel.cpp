#include "DevicePanel.h"

#include "DeviceListDelegate.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QVBoxLayout>

namespace hazard_desk {
namespace {

QString fieldOrDash(const QVariantMap& descriptor, const char* key) {
    const QString value = descriptor.value(QString::fromLatin1(key)).toString().trimmed();
    return value.isEmpty() ? QStringLiteral("--") : value;
}

QLabel* makeValue(QWidget* parent, const char* name) {
    auto* label = new QLabel(QStringLiteral("--"), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

}  // namespace

DevicePanel::DevicePanel(QWidget* leftPanel, QVBoxLayout* layout) : QObject(leftPanel) {
    discoveryGroup_ = new QGroupBox(QStringLiteral("设备连接"), leftPanel);
    discoveryGroup_->setObjectName(QStringLiteral("deviceDiscoveryGroup"));
    auto* discoveryLayout = new QVBoxLayout(discoveryGroup_);
    deviceFilterEdit_ = new QLineEdit(discoveryGroup_);
    deviceFilterEdit_->setObjectName(QStringLiteral("deviceFilterEdit"));
    deviceFilterEdit_->setClearButtonEnabled(true);
    deviceFilterEdit_->setPlaceholderText(QStringLiteral("搜索型号、IP、ID 或序列号"));
    deviceList_ = new QListWidget(discoveryGroup_);
    deviceList_->setObjectName(QStringLiteral("deviceList"));
    deviceList_->setFixedHeight(kDeviceListHeight);
    deviceList_->setAlternatingRowColors(false);
    deviceList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    deviceList_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    deviceList_->setMouseTracking(true);
    deviceList_->setItemDelegate(new DeviceListDelegate(deviceList_));
    discoveryLayout->addWidget(deviceFilterEdit_);
    discoveryLayout->addWidget(deviceList_);
    layout->addWidget(discoveryGroup_);

    auto* informationGroup = new QGroupBox(QStringLiteral("设备信息"), leftPanel);
    informationGroup->setObjectName(QStringLiteral("deviceInformationGroup"));
    auto* form = new QFormLayout(informationGroup);
    form->setLabelAlignment(Qt::AlignLeft);
    modelValue_ = makeValue(informationGroup, "deviceModelValueLabel");
    idValue_ = makeValue(informationGroup, "deviceIdValueLabel");
    serialValue_ = makeValue(informationGroup, "deviceSerialValueLabel");
    ipValue_ = makeValue(informationGroup, "deviceIpValueLabel");
    firmwareValue_ = makeValue(informationGroup, "firmwareValueLabel");
    form->addRow(QStringLiteral("型号"), modelValue_);
    form->addRow(QStringLiteral("相机 ID"), idValue_);
    form->addRow(QStringLiteral("序列号"), serialValue_);
    form->addRow(QStringLiteral("IP"), ipValue_);
    form->addRow(QStringLiteral("固件"), firmwareValue_);
    layout->addWidget(informationGroup);

    connect(deviceFilterEdit_, &QLineEdit::textChanged, this, [this] { applyDeviceFilter(false); });
    connect(deviceList_, &QListWidget::itemSelectionChanged, this, &DevicePanel::onSelectionChanged);
}

QListWidgetItem* DevicePanel::selectedItem() const {
    const QList<QListWidgetItem*> selected = deviceList_->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

QVariantMap DevicePanel::selectedVisibleDescriptor() const {
    QListWidgetItem* item = selectedItem();
    if (item == nullptr || item->isHidden()) {
        return {};
    }
    return item->data(Qt::UserRole).toMap();
}

bool DevicePanel::showDevices(const QVariantList& devices) {
    bool same = deviceList_->count() == devices.size();
    for (int row = 0; same && row < devices.size(); ++row) {
        same = deviceList_->item(row)->data(Qt::UserRole).toMap() == devices.at(row).toMap();
    }
    if (same) {
        return false;
    }
    const QString rememberedSerial = selectedVisibleDescriptor().value(QStringLiteral("serial")).toString();
    const int scroll = deviceList_->verticalScrollBar()->value();
    {
        const QSignalBlocker blocker(deviceList_);
        deviceList_->clear();
        QListWidgetItem* reselect = nullptr;
        for (const QVariant& device : devices) {
            const QVariantMap descriptor = device.toMap();
            QString id = descriptor.value(QStringLiteral("id")).toString().trimmed();
            if (id.isEmpty()) {
                id = QStringLiteral("--");
            }
            const QString text = id + QLatin1Char('\n') + descriptor.value(QStringLiteral("ip")).toString();
            auto* item = new QListWidgetItem(text, deviceList_);
            item->setToolTip(text);
            item->setData(Qt::UserRole, descriptor);
            if (!rememberedSerial.isEmpty() && descriptor.value(QStringLiteral("serial")).toString() == rememberedSerial) {
                reselect = item;
            }
        }
        if (reselect == nullptr && deviceList_->count() > 0) {
            reselect = deviceList_->item(0);
        }
        if (reselect != nullptr) {
            reselect->setSelected(true);
            deviceList_->setCurrentItem(reselect);
        }
    }
    applyDeviceFilter(true);
    deviceList_->verticalScrollBar()->setValue(scroll);
    return true;
}

void DevicePanel::applyDeviceFilter(bool selectFirstVisible) {
    const QString filter = deviceFilterEdit_->text().trimmed();
    const QSignalBlocker blocker(deviceList_);
    for (int row = 0; row < deviceList_->count(); ++row) {
        QListWidgetItem* item = deviceList_->item(row);
        const QVariantMap d = item->data(Qt::UserRole).toMap();
        const QString haystack = QStringList{d.value(QStringLiteral("model")).toString(),
                                             d.value(QStringLiteral("ip")).toString(),
                                             d.value(QStringLiteral("id")).toString(),
                                             d.value(QStringLiteral("serial")).toString(),
                                             d.value(QStringLiteral("name")).toString()}
                                     .join(QLatin1Char(' '));
        const bool hidden = !filter.isEmpty() && !haystack.contains(filter, Qt::CaseInsensitive);
        item->setHidden(hidden);
        if (hidden && item->isSelected()) {
            item->setSelected(false);
        }
    }
    if (selectFirstVisible && selectedItem() == nullptr) {
        for (int row = 0; row < deviceList_->count(); ++row) {
            if (!deviceList_->item(row)->isHidden()) {
                deviceList_->item(row)->setSelected(true);
                deviceList_->setCurrentItem(deviceList_->item(row));
                break;
            }
        }
    }
    onSelectionChanged();
}

bool DevicePanel::selectDeviceByAddress(const QString& ip) {
    QListWidgetItem* match = nullptr;
    for (int row = 0; row < deviceList_->count() && match == nullptr; ++row) {
        QListWidgetItem* item = deviceList_->item(row);
        if (item->data(Qt::UserRole).toMap().value(QStringLiteral("ip")).toString().trimmed() == ip) {
            match = item;
        }
    }
    if (match == nullptr) {
        return false;
    }
    if (match->isHidden()) {
        // The filter would hide the camera asked for: drop the filter.
        const QSignalBlocker blocker(deviceFilterEdit_);
        deviceFilterEdit_->clear();
        applyDeviceFilter(false);
    }
    {
        const QSignalBlocker blocker(deviceList_);
        deviceList_->clearSelection();
        match->setSelected(true);
        deviceList_->setCurrentItem(match);
    }
    deviceList_->scrollToItem(match);
    onSelectionChanged();
    return true;
}

void DevicePanel::onSelectionChanged() {
    if (followSelection_) {
        showDeviceInformation(selectedVisibleDescriptor());
    }
    emit selectionChanged();
}

void DevicePanel::showDeviceInformation(const QVariantMap& descriptor) {
    modelValue_->setText(fieldOrDash(descriptor, "model"));
    idValue_->setText(fieldOrDash(descriptor, "id"));
    serialValue_->setText(fieldOrDash(descriptor, "serial"));
    ipValue_->setText(fieldOrDash(descriptor, "ip"));
    firmwareValue_->setText(fieldOrDash(descriptor, "firmware"));
}

}  // namespace hazard_desk
