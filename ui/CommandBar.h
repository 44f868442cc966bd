#pragma once
// The command strip below the title: device refresh, auto refresh, connect,
// stream, recording and frame export.
#include <QFrame>

class QCheckBox;
class QPushButton;

namespace hazard_desk {

class RecordButton;

class CommandBar : public QFrame {
    Q_OBJECT
public:
    static constexpr int kHeight = 42;

    explicit CommandBar(QWidget* parent = nullptr);

    QPushButton* refreshButton() const { return refreshButton_; }
    QCheckBox* autoRefreshDevicesCheck() const { return autoRefreshDevicesCheck_; }
    QPushButton* connectButton() const { return connectButton_; }
    QPushButton* streamButton() const { return streamButton_; }
    QPushButton* algorithmButton() const { return algorithmButton_; }
    RecordButton* recordButton() const { return recordButton_; }
    QPushButton* exportFrameButton() const { return exportFrameButton_; }

private:
    QPushButton* refreshButton_ = nullptr;
    QCheckBox* autoRefreshDevicesCheck_ = nullptr;
    QPushButton* connectButton_ = nullptr;
    QPushButton* streamButton_ = nullptr;
    QPushButton* algorithmButton_ = nullptr;
    RecordButton* recordButton_ = nullptr;
    QPushButton* exportFrameButton_ = nullptr;
};

}  // namespace hazard_desk
