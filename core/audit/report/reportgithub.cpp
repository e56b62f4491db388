#include "core/audit/report/reportformats.h"

#include <QUrl>

namespace headwise::audit {
namespace {

QString command(Severity severity) {
    switch (severity) {
    case Severity::Error:
        return QStringLiteral("::error");
    case Severity::Warning:
        return QStringLiteral("::warning");
    case Severity::Info:
        return QStringLiteral("::notice");
    }
    return {};
}

// Where the repository's checkout has the page, as annotations name files;
// empty for a fetched page, which has no file in it.
QString repositoryPath(const PageReport& page, const QString& sourceRoot) {
    const QUrl url(page.url);
    if (!url.isLocalFile())
        return {};
    const QString file = url.toLocalFile();
    const QString root = QUrl(sourceRoot).toLocalFile();
    return !root.isEmpty() && file.startsWith(root) ? file.mid(root.size()) : file;
}

} // namespace

QString githubEscapeData(const QString& text) {
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'%')
            escaped += QLatin1String("%25");
        else if (c == u'\r')
            escaped += QLatin1String("%0D");
        else if (c == u'\n')
            escaped += QLatin1String("%0A");
        else
            escaped += c;
    }
    return escaped;
}

QString githubEscapeProperty(const QString& text) {
    return githubEscapeData(text).replace(u':', QLatin1String("%3A")).replace(u',', QLatin1String("%2C"));
}

QByteArray githubReport(const QList<PageReport>& pages, const ReportContext& context) {
    QString out;
    for (const PageReport& page : pages) {
        const QString file = repositoryPath(page, context.sourceRoot);
        const QString fileProperty =
            file.isEmpty() ? QString() : QStringLiteral("file=") + githubEscapeProperty(file);
        for (const Finding& finding : page.findings) {
            QStringList properties;
            if (!fileProperty.isEmpty())
                properties << fileProperty;
            if (finding.hasPosition() && !file.isEmpty())
                properties << QStringLiteral("line=%1").arg(finding.line)
                           << QStringLiteral("col=%1").arg(finding.column);
            properties << QStringLiteral("title=") + githubEscapeProperty(finding.rule);
            // An annotation without a file stands on the run: it has to say which page, and where.
            const QString lead =
                file.isEmpty() ? page.page + QStringLiteral(": ") + positionPrefix(finding) : QString();
            out += command(finding.severity) + QLatin1Char(' ') + properties.join(QLatin1Char(',')) +
                   QLatin1String("::") + githubEscapeData(lead + finding.message) + QLatin1Char('\n');
        }
    }
    return out.toUtf8();
}

} // namespace headwise::audit
