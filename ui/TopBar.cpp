#include "TopBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace hazard_desk {
namespace {
constexpr const char* kDisconnectedStyle = "color:#94a3b8;padding:3px 8px;";
constexpr const char* kConnectedStyle = "color:#55dda8;background:#10291f;padding:3px 8px;border-radius:4px;";

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}
}  // namespace

TopBar::TopBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("topBar"));
    setFixedHeight(kHeight);
    auto* layout = new QHBoxLayout(this);
    layout->setObjectName(QStringLiteral("topBarLayout"));
    layout->setContentsMargins(14, 0, 10, 0);
    layout->setSpacing(10);

    auto* title = makeLabel(this, "applicationTitleLabel", QStringLiteral("避障算法上位机"));
    title->setStyleSheet(QStringLiteral("font-size:15px;font-weight:bold;"));
    auto* subtitle = makeLabel(this, "applicationSubtitleLabel", QStringLiteral("HAZARD DESK"));
    subtitle->setStyleSheet(QStringLiteral("font-size:10px;"));
    softwareVersionLabel_ = makeLabel(this, "softwareVersionLabel", QString());
    sdkVersionLabel_ = makeLabel(this, "sdkVersionLabel", QStringLiteral("当前 SDK：--"));
    for (QLabel* label : {softwareVersionLabel_, sdkVersionLabel_}) {
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    activeDeviceLabel_ = makeLabel(this, "activeDeviceLabel", QStringLiteral("未选择设备"));

    administratorButton_ = new QPushButton(QStringLiteral("管理员"), this);
    administratorButton_->setObjectName(QStringLiteral("administratorButton"));
    administratorButton_->setCheckable(true);
    administratorButton_->setToolTip(QStringLiteral("显示或隐藏高级参数"));
    languageButton_ = new QPushButton(QStringLiteral("语言 / Language"), this);
    languageButton_->setObjectName(QStringLiteral("languageButton"));
    connectionStatusLabel_ = makeLabel(this, "connectionStatusLabel", QStringLiteral("● 未连接"));
    connectionStatusLabel_->setStyleSheet(QString::fromLatin1(kDisconnectedStyle));

    layout->addWidget(title);
    layout->addWidget(subtitle);
    layout->addSpacing(12);
    layout->addWidget(softwareVersionLabel_);
    layout->addWidget(sdkVersionLabel_);
    layout->addStretch(1);
    layout->addWidget(activeDeviceLabel_);
    layout->addSpacing(8);
    layout->addWidget(administratorButton_);
    layout->addWidget(languageButton_);
    layout->addWidget(connectionStatusLabel_);
}

void TopBar::showConnection(bool connected, const QString& text) {
    connectionStatusLabel_->setText(text);
    connectionStatusLabel_->setStyleSheet(QString::fromLatin1(connected ? kConnectedStyle : kDisconnectedStyle));
}

}  // namespace hazard_desk
