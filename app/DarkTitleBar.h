#pragma once
// The desktop window manager's dark title bar for one top-level window. The
// native call exists on Windows only; elsewhere the window keeps the title
// bar of its window manager.
#include <cstdint>
#include <functional>

class QWidget;

namespace vq8ui {

class DarkTitleBar {
public:
    // DwmSetWindowAttribute for one window: (attribute, 32-bit value) -> status, 0 success.
    using SetAttribute = std::function<long(std::uint32_t attribute, std::uint32_t value)>;

    static constexpr std::uint32_t kImmersiveDarkMode = 20;
    static constexpr std::uint32_t kImmersiveDarkModeBefore20H1 = 19;
    static constexpr std::uint32_t kBorderColour = 34;
    static constexpr std::uint32_t kCaptionColour = 35;
    static constexpr std::uint32_t kTextColour = 36;
    // COLORREF values (blue, green, red from the high byte down) of the
    // theme's border, background and text colours.
    static constexpr std::uint32_t kBorderColourRef = 0x554133;    // "#334155"
    static constexpr std::uint32_t kCaptionColourRef = 0x20120B;   // "#0B1220"
    static constexpr std::uint32_t kTextColourRef = 0xF0E8E2;      // "#E2E8F0"

    // The attributes in order: dark mode (20, falling back to 19 on older
    // Windows), then the border, caption and caption text colours.
    static void setAttributes(const SetAttribute& set);

    // Sets the attributes on the native window and redraws its frame. False
    // where there is no desktop window manager to ask (every other platform,
    // or a Windows without dwmapi).
    static bool applyTo(QWidget* window);
};

}  // namespace vq8ui
