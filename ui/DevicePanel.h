#pragma once
// Device discovery and device information groups of the left panel: the
// filterable list of discovered cameras and the form describing one camera.
// Each list item keeps its descriptor map under Qt::UserRole.
#include <QObject>
#include <QVariantList>
#include <QVariantMap>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QVBoxLayout;
class QWidget;

namespace hazard_desk {

class DevicePanel : public QObject {
    Q_OBJECT
public:
    static constexpr int kDeviceListHeight = 142;

    DevicePanel(QWidget* leftPanel, QVBoxLayout* layout);

    QLineEdit* deviceFilterEdit() const { return deviceFilterEdit_; }
    QListWidget* deviceList() const { return deviceList_; }

    // Rebuilds the list unless it already holds exactly these descriptors.
    // Returns true when the list was rebuilt.
    bool showDevices(const QVariantList& devices);
    void applyDeviceFilter(bool selectFirstVisible);
    // The selected item's descriptor when that item is visible, else empty.
    QVariantMap selectedVisibleDescriptor() const;
    void showDeviceInformation(const QVariantMap& descriptor);
    // Selects the item whose descriptor has this "ip" (clearing a filter that
    // hides it). Returns false when no item has that address.
    bool selectDeviceByAddress(const QString& ip);
    // While no camera is connected the form follows the list selection.
    void setFollowSelection(bool follow) { followSelection_ = follow; }

signals:
    void selectionChanged();

private:
    QListWidgetItem* selectedItem() const;
    void onSelectionChanged();

    QGroupBox* discoveryGroup_ = nullptr;
    QLineEdit* deviceFilterEdit_ = nullptr;
    QListWidget* deviceList_ = nullptr;
    QLabel* modelValue_ = nullptr;
    QLabel* idValue_ = nullptr;
    QLabel* serialValue_ = nullptr;
    QLabel* ipValue_ = nullptr;
    QLabel* firmwareValue_ = nullptr;
    bool followSelection_ = true;
};

}  // namespace hazard_desk
