#pragma once

#include <QString>

class QWidget;

namespace headwise {

// File dialogs. Filters are given as "Description|pattern|Description|pattern|"
// pairs, the form in which the program keeps them; an empty result means the
// user cancelled.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual QString openFile(QWidget* parent, const QString& title, const QString& filter) = 0;
    virtual QString saveFile(QWidget* parent, const QString& title, const QString& proposedPath,
                             const QString& filter) = 0;
    virtual QString openFolder(QWidget* parent, const QString& title) = 0;
};

class QtFileDialogs final : public FileDialogs {
public:
    QString openFile(QWidget* parent, const QString& title, const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& title, const QString& proposedPath,
                     const QString& filter) override;
    QString openFolder(QWidget* parent, const QString& title) override;
};

// "Web Files (*.htm*)|*.htm*|Text Files (*.txt)|*.txt|" -> "Web Files (*.htm*);;Text Files (*.txt)"
QString toQtFilter(const QString& pipeFilter);

} // namespace headwise
