#pragma once
// The window's title strip: application name, versions, the selected camera,
// the administrator and language buttons and the connection badge.
#include <QFrame>

class QLabel;
class QPushButton;

namespace hazard_desk {

class TopBar : public QFrame {
    Q_OBJECT
public:
    static constexpr int kHeight = 42;

    explicit TopBar(QWidget* parent = nullptr);

    QLabel* softwareVersionLabel() const { return softwareVersionLabel_; }
    QLabel* sdkVersionLabel() const { return sdkVersionLabel_; }
    QLabel* activeDeviceLabel() const { return activeDeviceLabel_; }
    QPushButton* administratorButton() const { return administratorButton_; }
    QPushButton* languageButton() const { return languageButton_; }
    QLabel* connectionStatusLabel() const { return connectionStatusLabel_; }

    // The connection badge: "已连接" on green, "未连接" in grey (texts translated by the caller).
    void showConnection(bool connected, const QString& text);

private:
    QLabel* softwareVersionLabel_ = nullptr;
    QLabel* sdkVersionLabel_ = nullptr;
    QLabel* activeDeviceLabel_ = nullptr;
    QPushButton* administratorButton_ = nullptr;
    QPushButton* languageButton_ = nullptr;
    QLabel* connectionStatusLabel_ = nullptr;
};

}  // namespace hazard_desk
