#pragma once
// The small bar of view buttons raised over the 3D view's top-right corner
// ("pointCloudViewToolbar"). The buttons keep their source texts in
// properties so a language change can translate them again. GUI thread.
#include <QFrame>
#include <QString>

#include <functional>

class QHBoxLayout;
class QToolButton;

namespace hazard_desk {

class PointCloudToolbar : public QFrame {
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString&)>;

    static constexpr int kSpacing = 5;

    explicit PointCloudToolbar(QWidget* parent = nullptr);

    // Translates the short texts (by their short-form keys, falling back to
    // the source text), accessible names and tooltips again.
    void retranslate(const Translator& translate);

    QHBoxLayout* buttonLayout() const { return layout_; }
    QToolButton* frontButton() const { return front_; }
    QToolButton* sideButton() const { return side_; }
    QToolButton* topButton() const { return top_; }
    QToolButton* resetButton() const { return reset_; }

signals:
    void frontRequested();
    void sideRequested();
    void topRequested();
    void resetRequested();

private:
    QToolButton* addButton(const QString& shortText, const QString& shortKey, const QString& tooltip);

    QHBoxLayout* layout_ = nullptr;
    QToolButton* front_ = nullptr;
    QToolButton* side_ = nullptr;
    QToolButton* top_ = nullptr;
    QToolButton* reset_ = nullptr;
};

}  // namespace hazard_desk
