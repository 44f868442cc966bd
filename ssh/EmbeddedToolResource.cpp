#include "EmbeddedToolResource.h"

#include <QFile>
#include <QString>

#ifdef Q_OS_WIN
#include <windows.h>
#else
// The Qt resource object lives in a static library: pull it in explicitly.
static void initPuttyToolResources()
{
    Q_INIT_RESOURCE(PuttyTools);
}
#endif

namespace hazard_desk {

EmbeddedToolResource::Status EmbeddedToolResource::load(const char* name, QByteArray& bytes)
{
    bytes.clear();
#ifdef Q_OS_WIN
    const std::wstring wideName = QString::fromLatin1(name).toStdWString();
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceW(module, wideName.c_str(), MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (resource == nullptr) {
        return Status::Missing;
    }
    const DWORD size = ::SizeofResource(module, resource);
    HGLOBAL handle = ::LoadResource(module, resource);
    const void* data = handle != nullptr ? ::LockResource(handle) : nullptr;
    if (size == 0 || data == nullptr) {
        return Status::Unreadable;
    }
    bytes = QByteArray(static_cast<const char*>(data), static_cast<int>(size));
    return Status::Loaded;
#else
    static const bool initialised = (initPuttyToolResources(), true);
    Q_UNUSED(initialised);
    QFile file(QStringLiteral(":/putty/") + QString::fromLatin1(name));
    if (!file.exists()) {
        return Status::Missing;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return Status::Unreadable;
    }
    bytes = file.readAll();
    return bytes.isEmpty() ? Status::Unreadable : Status::Loaded;
#endif
}

}  // namespace hazard_desk
