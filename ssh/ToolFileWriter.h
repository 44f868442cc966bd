#pragma once
// Writes an embedded tool to disk so that what runs is exactly what the
// program carries: an identical file is left alone, a different one replaced,
// and every file is read back and compared before it is used.
#include <QByteArray>
#include <QString>

namespace hazard_desk {

class ToolFileWriter {
public:
    static constexpr qint64 kHashChunkBytes = 1 << 20;

    // Lower-case hex SHA-256 of bytes.
    static QByteArray sha256Hex(const QByteArray& bytes);

    // Lower-case hex SHA-256 of a file read in 1 MiB chunks and its size;
    // empty when the file cannot be read.
    static QByteArray fileSha256Hex(const QString& path, qint64* size);

    // Makes path hold bytes (owner may read, write and run it). False with a
    // Chinese error text: the file error of a failed write, or
    // "文件落盘校验失败" when the read-back differs (the file is then removed).
    static bool write(const QString& path, const QByteArray& bytes, QString* error);
};

}  // namespace hazard_desk
