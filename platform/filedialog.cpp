#include "platform/filedialog.h"

#include <QFileDialog>
#include <QStringList>

namespace headwise {

QString toQtFilter(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString pattern = parts[i + 1].trimmed();
        // Qt reads the patterns from the parentheses; keep a description that already names them.
        entries << (description.contains(QLatin1Char('('))
                        ? description
                        : description + QStringLiteral(" (") + pattern + ')');
    }
    return entries.join(QStringLiteral(";;"));
}

QString QtFileDialogs::openFile(QWidget* parent, const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, QString(), toQtFilter(filter));
}

QString QtFileDialogs::saveFile(QWidget* parent, const QString& title, const QString& proposedPath,
                                const QString& filter) {
    return QFileDialog::getSaveFileName(parent, title, proposedPath, toQtFilter(filter));
}

QString QtFileDialogs::openFolder(QWidget* parent, const QString& title) {
    return QFileDialog::getExistingDirectory(parent, title);
}

} // namespace headwise
