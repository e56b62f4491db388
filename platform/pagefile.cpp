#include "pagefile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace headwise {

std::optional<DecodedPage> readPageFile(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || info.size() > kMaxPageBytes)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Read one byte past the cap, so a file that grew since the check is still refused.
    const QByteArray bytes = file.read(kMaxPageBytes + 1);
    if (bytes.size() > kMaxPageBytes || file.error() != QFile::NoError)
        return std::nullopt;
    return decodePage(bytes);
}

bool writePageFile(const QString& path, const QString& crlfText, const PageEncoding& encoding,
                   QString* errorText) {
    return writePageBytes(path, encodePage(crlfText, encoding), errorText);
}

bool writePageBytes(const QString& path, const QByteArray& bytes, QString* errorText) {
    QSaveFile file(path);
    const bool written =
        file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!written && errorText)
        *errorText = file.errorString();
    return written;
}

QString pageDialogTitle() {
    return QStringLiteral("Select a File");
}

QString pageDialogFilter() {
    return QStringLiteral("Web Files (*.htm*)|*.htm*|") + QStringLiteral("Text Files (*.txt)|*.txt|") +
           QStringLiteral("All Files (*.*) | *.*|");
}

} // namespace headwise
