#include "PointCloudToolbar.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <QVariant>

namespace hazard_desk {
namespace {

const char* const kShortSourceProperty = "vq8_point_cloud_short_source";
const char* const kFullSourceProperty = "vq8_point_cloud_full_source";
const char* const kTooltipSourceProperty = "vq8_point_cloud_tooltip_source";
const char* const kShortKeyProperty = "vq8_point_cloud_short_key";

}  // namespace

PointCloudToolbar::PointCloudToolbar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("pointCloudViewToolbar"));
    layout_ = new QHBoxLayout(this);
    layout_->setContentsMargins(4, 2, 4, 2);
    layout_->setSpacing(kSpacing);
    front_ = addButton(QStringLiteral("正视"), QStringLiteral("点云工具栏：正视（简写）"),
                       QStringLiteral("正视（快捷键 [）"));
    side_ = addButton(QStringLiteral("侧视"), QStringLiteral("点云工具栏：侧视（简写）"),
                      QStringLiteral("侧视（快捷键 ;）"));
    top_ = addButton(QStringLiteral("俯视"), QStringLiteral("点云工具栏：俯视（简写）"),
                     QStringLiteral("俯视（快捷键 ,）"));
    reset_ = addButton(QStringLiteral("复位"), QStringLiteral("点云工具栏：复位（简写）"),
                       QStringLiteral("按点云范围复位（快捷键 R）"));
    connect(front_, &QToolButton::clicked, this, &PointCloudToolbar::frontRequested);
    connect(side_, &QToolButton::clicked, this, &PointCloudToolbar::sideRequested);
    connect(top_, &QToolButton::clicked, this, &PointCloudToolbar::topRequested);
    connect(reset_, &QToolButton::clicked, this, &PointCloudToolbar::resetRequested);
}

QToolButton* PointCloudToolbar::addButton(const QString& shortText, const QString& shortKey, const QString& tooltip) {
    auto* button = new QToolButton(this);
    button->setProperty(kShortSourceProperty, shortText);
    button->setProperty(kFullSourceProperty, shortText);
    button->setProperty(kTooltipSourceProperty, tooltip);
    button->setProperty(kShortKeyProperty, shortKey);
    button->setText(shortText);
    button->setAccessibleName(shortText);
    button->setToolTip(tooltip);
    button->setFocusPolicy(Qt::NoFocus);
    layout_->addWidget(button);
    return button;
}

void PointCloudToolbar::retranslate(const Translator& translate) {
    if (!translate) {
        return;
    }
    for (QToolButton* button : {front_, side_, top_, reset_}) {
        const QString shortSource = button->property(kShortSourceProperty).toString();
        const QString shortKey = button->property(kShortKeyProperty).toString();
        QString shortText = translate(shortKey);
        if (shortText.isEmpty() || shortText == shortKey) {
            shortText = translate(shortSource);
        }
        button->setText(shortText);
        button->setAccessibleName(translate(button->property(kFullSourceProperty).toString()));
        button->setToolTip(translate(button->property(kTooltipSourceProperty).toString()));
    }
    adjustSize();
}

}  // namespace hazard_desk
