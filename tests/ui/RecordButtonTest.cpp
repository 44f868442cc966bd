// The command bar's record button: usable only while streaming, asks for a
// file, waits for the worker's answer, and offers "停止录制" while recording.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "RecordButton.h"

namespace hazard_desk {
namespace {

TEST(RecordButton, FollowsTheStreamAndTheWorkersAnswers) {
    RecordButton button;
    QString offered = QStringLiteral("/tmp/run.mcap");
    int asked = 0;
    button.setPathChooser([&](QWidget*) {
        ++asked;
        return offered;
    });
    QSignalSpy start(&button, &RecordButton::startRecordingRequested);
    QSignalSpy stop(&button, &RecordButton::stopRecordingRequested);
    EXPECT_FALSE(button.isEnabled());

    button.onStreamStateChanged(true, QString());
    ASSERT_TRUE(button.isEnabled());
    offered.clear();  // the user cancels the file dialog
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(start.count(), 0);
    EXPECT_TRUE(button.isEnabled());

    offered = QStringLiteral("/tmp/run.mcap");
    QTest::mouseClick(&button, Qt::LeftButton);
    ASSERT_EQ(start.count(), 1);
    EXPECT_EQ(start.at(0).at(0).toString(), offered);
    EXPECT_FALSE(button.isEnabled());  // until the worker answers
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(start.count(), 1);

    button.onRecordingStateChanged(true, offered, QStringLiteral("开始录制：/tmp/run.mcap"), {});
    EXPECT_TRUE(button.recording());
    EXPECT_EQ(button.text(), QStringLiteral("停止录制"));
    EXPECT_TRUE(button.isEnabled());
    button.onRecordingProgress({{QStringLiteral("path"), offered}, {QStringLiteral("seconds"), 2.5},
                                {QStringLiteral("frames"), 50}, {QStringLiteral("bytes"), 12.0e6}});
    EXPECT_EQ(button.toolTip(), QStringLiteral("/tmp/run.mcap：2.5 s，50 帧，12.0 MB"));
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(stop.count(), 1);
    EXPECT_EQ(asked, 2);

    // The stream stops: the worker closes the recording and says so.
    button.onStreamStateChanged(false, QString());
    button.onRecordingStateChanged(false, offered, QStringLiteral("数据流已停止：录制已保存"), {});
    EXPECT_EQ(button.text(), QStringLiteral("录制"));
    EXPECT_FALSE(button.isEnabled());
    EXPECT_EQ(button.toolTip(), QStringLiteral("数据流已停止：录制已保存"));
}

}  // namespace
}  // namespace hazard_desk
