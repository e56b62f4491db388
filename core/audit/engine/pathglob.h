#pragma once

#include <QList>
#include <QRegularExpression>
#include <QStringList>

namespace headwise::audit {

// The skip patterns of an audit run. "*" and "?" stay inside one folder name,
// "**" spans folders ("drafts/**", "**/old/*.htm"); a pattern without "/"
// matches a file name in any folder, the way .gitignore reads it.
class PathGlobs {
public:
    explicit PathGlobs(const QStringList& patterns);

    // relativePath uses "/" between folder names.
    bool matches(const QString& relativePath) const;

private:
    QList<QRegularExpression> patterns_;
};

} // namespace headwise::audit
