#include "DarkTitleBar.h"

#include <QWidget>

#ifdef Q_OS_WIN
#include <QLibrary>
#include <windows.h>
#endif

namespace vq8ui {

void DarkTitleBar::setAttributes(const SetAttribute& set) {
    if (set(kImmersiveDarkMode, 1) != 0) {
        set(kImmersiveDarkModeBefore20H1, 1);
    }
    set(kBorderColour, kBorderColourRef);
    set(kCaptionColour, kCaptionColourRef);
    set(kTextColour, kTextColourRef);
}

#ifdef Q_OS_WIN
namespace {

using DwmSetWindowAttributeFunction = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

// Loaded and resolved once per process (thread-safe static initialisation).
DwmSetWindowAttributeFunction dwmSetWindowAttribute() {
    static const DwmSetWindowAttributeFunction function = [] {
        static QLibrary library(QStringLiteral("dwmapi"));
        return library.load() ? reinterpret_cast<DwmSetWindowAttributeFunction>(
                                    library.resolve("DwmSetWindowAttribute"))
                              : nullptr;
    }();
    return function;
}

}  // namespace
#endif

bool DarkTitleBar::applyTo(QWidget* window) {
#ifdef Q_OS_WIN
    const DwmSetWindowAttributeFunction function = dwmSetWindowAttribute();
    if (function == nullptr || window == nullptr) {
        return false;
    }
    const HWND handle = reinterpret_cast<HWND>(window->winId());
    setAttributes([function, handle](std::uint32_t attribute, std::uint32_t value) -> long {
        const DWORD data = value;
        return static_cast<long>(function(handle, attribute, &data, sizeof(data)));
    });
    RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    return true;
#else
    Q_UNUSED(window);
    return false;
#endif
}

}  // namespace vq8ui
