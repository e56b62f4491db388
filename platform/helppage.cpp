#include "platform/helppage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace headwise {

QString helpPagePath() {
    const QString fileName = QStringLiteral("meta_tag_help.htm");
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString beside = programDir.filePath(fileName);
    const QString installed = QDir::cleanPath(
        programDir.filePath(QStringLiteral(HEADWISE_RELATIVE_HELP_DIR) + QLatin1Char('/') + fileName));
    for (const QString& candidate : {beside, installed})
        if (QFileInfo(candidate).isFile())
            return candidate;
    return beside;
}

} // namespace headwise
