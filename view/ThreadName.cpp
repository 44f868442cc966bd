#include "ThreadName.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace hazard_desk {

void ThreadName::setCurrent(const std::string& name) {
    const std::string cut = name.substr(0, kMaxBytes);
#ifdef Q_OS_WIN
    // SetThreadDescription exists from Windows 10 1607 on: looked up, not linked.
    using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    static const auto setDescription = reinterpret_cast<SetDescription>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription")));
    if (setDescription != nullptr) {
        const std::wstring wide(cut.begin(), cut.end());
        setDescription(GetCurrentThread(), wide.c_str());
    }
#elif defined(Q_OS_MACOS)
    pthread_setname_np(cut.c_str());
#else
    pthread_setname_np(pthread_self(), cut.c_str());
#endif
}

std::string ThreadName::current() {
#if defined(Q_OS_WIN)
    return {};
#else
    char name[kMaxBytes + 1] = {};
    if (pthread_getname_np(pthread_self(), name, sizeof(name)) != 0) {
        return {};
    }
    return name;
#endif
}

}  // namespace hazard_desk
