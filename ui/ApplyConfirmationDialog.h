#pragma once
// Asks before "保存并下发" writes to the camera: lists each field the apply
// changes with the camera's value and the value after the apply, in the
// read-back comparison's field terms. A draft that matches what the camera
// runs is said to do so and offers no apply; when the camera's running
// configuration is not known, the dialog says so and still lets the engineer
// apply. Lives on the GUI thread; the window keeps the "不再提示" setting.
#include "ReadbackComparison.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QPushButton;
class QTableWidget;

namespace hazard_desk {

class ApplyConfirmationDialog : public QDialog {
    Q_OBJECT
public:
    // differences: what the apply changes; nothing when the camera's running
    // configuration is unknown.
    explicit ApplyConfirmationDialog(const std::optional<FieldDifferenceList>& differences, QWidget* parent = nullptr);

    // The draft matches the camera: there is nothing to apply.
    bool unchanged() const { return unchanged_; }
    // "不再提示" was checked.
    bool dontAskAgain() const;

    // The text a shown value takes: compact JSON, "（无）" when the side lacks the field.
    static QString valueText(const std::optional<nlohmann::json>& value);

private:
    QString translate(const QString& text) const;
    QTableWidget* differenceTable(const FieldDifferenceList& differences);

    bool unchanged_ = false;
    QCheckBox* dontAskAgain_ = nullptr;
};

}  // namespace hazard_desk
