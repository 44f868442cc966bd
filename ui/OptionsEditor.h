#pragma once
// The per-template options: "v2AdvancedGroup" (semantic outputs and the
// forklift 2D window), "imageSavingGroup" (camera-side image saving) and
// "groundHoleGroup". It builds the three groups for the panel's layout, shows
// an option set and writes the widgets back into one. Lives on the GUI thread.
#include "AdvancedOptions.h"

#include <QList>
#include <QObject>

class QCheckBox;
class QDoubleSpinBox;
class QGroupBox;
class QPushButton;
class QSpinBox;
class QWidget;

namespace hazard_desk {

class OptionsEditor : public QObject {
    Q_OBJECT
public:
    // The groups are children of parent; the caller places them.
    explicit OptionsEditor(QWidget* parent);

    QGroupBox* v2AdvancedGroup() const { return v2AdvancedGroup_; }
    QGroupBox* imageSavingGroup() const { return imageSavingGroup_; }
    QGroupBox* groundHoleGroup() const { return groundHoleGroup_; }
    QCheckBox* debugCheck() const { return debug_; }
    QPushButton* exportAvoidanceImagesButton() const { return exportImages_; }

    // The forklift check box is checked when any of its four bounds is
    // non-zero; the minimum point count shows rounded to an integer.
    void showOptions(const AdvancedOptions& options);
    // An unchecked forklift box writes zeros to all four bounds.
    void writeOptions(AdvancedOptions& options) const;

    // Titles and visibility for the selected generation and administrator mode.
    void updateVisibility(bool v2Selected, bool adminMode);

signals:
    void edited();

private:
    void buildV2AdvancedGroup(QWidget* parent);
    void buildImageSavingGroup(QWidget* parent);
    void buildGroundHoleGroup(QWidget* parent);
    void enableDependents();

    QGroupBox* v2AdvancedGroup_ = nullptr;
    QGroupBox* imageSavingGroup_ = nullptr;
    QGroupBox* groundHoleGroup_ = nullptr;
    QCheckBox* debug_ = nullptr;
    QPushButton* exportImages_ = nullptr;
    QCheckBox* semantics_ = nullptr;
    QCheckBox* simpleOutput_ = nullptr;
    QCheckBox* boxes_ = nullptr;
    QCheckBox* enhanced_ = nullptr;
    QCheckBox* semanticsOutput_ = nullptr;
    QCheckBox* forklift_ = nullptr;
    QList<QDoubleSpinBox*> forkliftBounds_;   // min X, max X, min Y, max Y
    QCheckBox* groundHole_ = nullptr;
    QDoubleSpinBox* holeFar_ = nullptr;
    QDoubleSpinBox* holeNear_ = nullptr;
    QDoubleSpinBox* holeHalfWidth_ = nullptr;
    QDoubleSpinBox* holeResolution_ = nullptr;
    QDoubleSpinBox* holeHalfThickness_ = nullptr;
    QSpinBox* holeMinimumPoints_ = nullptr;
    QList<QWidget*> v2Only_;
    QList<QWidget*> v2AdminOnly_;
};

}  // namespace hazard_desk
