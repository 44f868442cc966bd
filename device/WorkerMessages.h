#pragma once
// Texts and a predicate the camera worker's sources share. The texts are the
// untranslated source strings the window translates for display.

namespace hazard_desk::worker_messages {

inline constexpr const char* kConnectFirst = "请先连接相机";
inline constexpr const char* kModeChangedExternally = "检测到设备算法模式已由外部更改";
inline constexpr const char* kModeMismatch = "当前算法与相机型号不匹配，请先切换算法";
inline constexpr const char* kIoModeUnsupported = "当前相机不支持 IO 模式设置";
inline constexpr const char* kPendingMasks = "模板 %1 的区域图下发未完成，请重新下发该模板。";
// The start of an apply failure after the camera had confirmed the JSON.
inline constexpr const char* kSavedButIncomplete = "参数与启动模板已保存，但后续步骤未完成：%1";

// The obstacle algorithm runs in mode 1 (V1) and mode 4 (V2).
inline bool algorithmRunning(int mode) { return mode == 1 || mode == 4; }

}  // namespace hazard_desk::worker_messages
