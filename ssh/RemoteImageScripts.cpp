#include "RemoteImageScripts.h"

#include <QRegularExpression>
#include <QStringList>

namespace hazard_desk {

namespace {

bool isLoopbackAddress(const QString& host)
{
    const QStringList parts = host.split(QLatin1Char('.'));
    return parts.size() == 4 && parts.front() == QLatin1String("127");
}

}  // namespace

QString RemoteImageScripts::imageDirectory(const QString& host)
{
    const QString override = qEnvironmentVariable(kTestDirectoryVariable);
    if (isLoopbackAddress(host) && override.startsWith(QLatin1Char('/')) && override != QLatin1String("/")) {
        return override;
    }
    return QString::fromLatin1(kImageDirectory);
}

bool RemoteImageScripts::readyCount(const QString& output, QString& countText, int& count)
{
    static const QRegularExpression lineBreaks(QStringLiteral("[\\r\\n]+"));
    static const QRegularExpression wholeNumber(QStringLiteral("^[0-9]{1,9}$"));
    countText.clear();
    count = 0;
    for (const QString& line : output.split(lineBreaks)) {
        if (line.startsWith(QLatin1String(kReadyMarker))) {
            countText = line.mid(int(qstrlen(kReadyMarker))).trimmed();
            if (!wholeNumber.match(countText).hasMatch()) {
                return false;
            }
            count = countText.toInt();
            return true;
        }
    }
    return false;
}

QString RemoteImageScripts::quoted(const QString& directory)
{
    QString text = directory;
    text.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

QString RemoteImageScripts::verifyScript(const QString& directory)
{
    // One dot per regular file, so names with line breaks count once.
    return QStringLiteral(
               "set -eu\n"
               "dir=%1\n"
               "if [ ! -d \"$dir\" ]; then echo VQ8_IMAGE_DIR_MISSING >&2; exit 30; fi\n"
               "count=$(find \"$dir\" -type f -exec sh -c 'for f; do printf .; done' sh {} + | wc -c)\n"
               "echo \"VQ8_IMAGES_READY:$((count + 0))\"\n")
        .arg(quoted(directory));
}

QString RemoteImageScripts::clearScript(const QString& directory)
{
    // "*" misses dot files; ".[!.]*" and "..?*" catch them without "." and "..".
    // A pattern that matched nothing stays literal and is skipped, unless it
    // names a dangling link.
    return QStringLiteral(
               "set -eu\n"
               "dir=%1\n"
               "if [ ! -d \"$dir\" ]; then echo VQ8_IMAGE_DIR_MISSING >&2; exit 31; fi\n"
               "for entry in \"$dir\"/* \"$dir\"/.[!.]* \"$dir\"/..?*; do\n"
               "  if [ -e \"$entry\" ] || [ -L \"$entry\" ]; then rm -rf -- \"$entry\" || true; fi\n"
               "done\n"
               "for entry in \"$dir\"/* \"$dir\"/.[!.]* \"$dir\"/..?*; do\n"
               "  if [ -e \"$entry\" ] || [ -L \"$entry\" ]; then echo VQ8_IMAGE_CLEAR_FAILED >&2; exit 32; fi\n"
               "done\n"
               "echo VQ8_IMAGES_CLEARED\n")
        .arg(quoted(directory));
}

}  // namespace hazard_desk
