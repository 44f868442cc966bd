#pragma once
// The zone geometry of one template: a rectangle page and a sector page in
// "zoneParameterStack". It shows a template's body in its spin boxes and
// writes the spin boxes back into a body; it keeps no document of its own.
// Lives on the GUI thread.
#include "ZoneTemplate.h"

#include <QStackedWidget>

class QDoubleSpinBox;
class QGroupBox;

namespace hazard_desk {

class ZoneGeometryEditor : public QStackedWidget {
    Q_OBJECT
public:
    // Entries of "zoneTypeCombo" and pages of the stack.
    static constexpr int kRectanglePage = 0;
    static constexpr int kSectorPage = 1;

    explicit ZoneGeometryEditor(QWidget* parent = nullptr);

    QGroupBox* rectangleGroup() const { return rectangleGroup_; }
    QGroupBox* sectorGroup() const { return sectorGroup_; }

    // Fills the spin boxes of the body's page and selects it: Square and
    // SquareFree (its danger box and the warning far edge) on the rectangle
    // page, Sector on the sector page, its notify row shown only when the
    // template has a notify zone. Returns the page.
    int showTemplate(const ZoneTemplate& zoneTemplate);
    // Writes the page's values as the template's body: page 0 a Square body
    // from the seven rectangle spins; page 1 a Sector body that starts from
    // the template's own sector records (or the editor's starting sector) and
    // takes the two radii and the shared angles, heights and centre into both
    // the danger and the warning record. The notify record is never touched.
    void writeBody(ZoneTemplate& zoneTemplate, int page) const;

    // Hides the sampling-accuracy and notify-radius rows; the notify spin box
    // stays disabled and says why.
    void hideSectorExtras();

    // The stack takes the size of the page shown, not of its tallest page.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A spin box changed, by the user or by a load.
    void edited();

private:
    void fitCurrentPage();
    QGroupBox* buildRectangleGroup(QWidget* page);
    QGroupBox* buildSectorGroup(QWidget* page);

    QGroupBox* rectangleGroup_ = nullptr;
    QGroupBox* sectorGroup_ = nullptr;
    QDoubleSpinBox* dangerNear_ = nullptr;
    QDoubleSpinBox* dangerFar_ = nullptr;
    QDoubleSpinBox* warningFar_ = nullptr;
    QDoubleSpinBox* yMin_ = nullptr;
    QDoubleSpinBox* yMax_ = nullptr;
    QDoubleSpinBox* zMin_ = nullptr;
    QDoubleSpinBox* zMax_ = nullptr;
    QDoubleSpinBox* dangerRadius_ = nullptr;
    QDoubleSpinBox* warningRadius_ = nullptr;
    QDoubleSpinBox* notifyRadius_ = nullptr;
    QDoubleSpinBox* leftAngle_ = nullptr;
    QDoubleSpinBox* rightAngle_ = nullptr;
    QDoubleSpinBox* sectorZMin_ = nullptr;
    QDoubleSpinBox* sectorZMax_ = nullptr;
    QDoubleSpinBox* centerX_ = nullptr;
    QDoubleSpinBox* centerY_ = nullptr;
    QDoubleSpinBox* accuracy_ = nullptr;
};

}  // namespace hazard_desk
