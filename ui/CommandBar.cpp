#include "CommandBar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVariant>

#include "RecordButton.h"

namespace hazard_desk {
namespace {
QPushButton* makeButton(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}
}  // namespace

CommandBar::CommandBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("commandBar"));
    setFixedHeight(kHeight);
    auto* layout = new QHBoxLayout(this);
    layout->setObjectName(QStringLiteral("commandBarLayout"));
    layout->setContentsMargins(10, 4, 10, 4);
    layout->setSpacing(8);

    refreshButton_ = makeButton(this, "refreshButton", QStringLiteral("刷新设备"));
    refreshButton_->setProperty("role", QStringLiteral("secondary"));
    autoRefreshDevicesCheck_ = new QCheckBox(QStringLiteral("自动刷新（5 秒）"), this);
    autoRefreshDevicesCheck_->setObjectName(QStringLiteral("autoRefreshDevicesCheck"));
    autoRefreshDevicesCheck_->setToolTip(QStringLiteral("未连接且空闲时每 5 秒搜索设备；保留当前选择"));
    connectButton_ = makeButton(this, "connectButton", QStringLiteral("连接相机"));
    connectButton_->setProperty("role", QStringLiteral("primary"));
    streamButton_ = makeButton(this, "streamButton", QStringLiteral("启动数据流"));
    streamButton_->setCheckable(true);
    algorithmButton_ = makeButton(this, "algorithmButton", QStringLiteral("启动算法"));
    algorithmButton_->setCheckable(true);
    algorithmButton_->hide();
    recordButton_ = new RecordButton(this);
    auto* separator = new QFrame(this);
    separator->setObjectName(QStringLiteral("commandSeparator"));
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Plain);
    separator->setStyleSheet(QStringLiteral("color:#334155;"));
    exportFrameButton_ = makeButton(this, "exportFrameButton", QStringLiteral("导出当前帧"));

    layout->addWidget(refreshButton_);
    layout->addWidget(autoRefreshDevicesCheck_);
    layout->addSpacing(6);
    layout->addWidget(connectButton_);
    layout->addWidget(streamButton_);
    layout->addWidget(algorithmButton_);
    layout->addWidget(recordButton_);
    layout->addWidget(separator);
    layout->addWidget(exportFrameButton_);
    layout->addStretch(1);
}

}  // namespace hazard_desk
