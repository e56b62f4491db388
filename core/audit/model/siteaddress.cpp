#include "core/audit/model/siteaddress.h"

#include "core/web/weburl.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace headwise::audit {

namespace {

bool endsWith(const QStringList& parts, const QStringList& tail) {
    if (tail.size() > parts.size())
        return false;
    for (qsizetype i = 1; i <= tail.size(); ++i)
        if (parts[parts.size() - i] != tail[tail.size() - i])
            return false;
    return true;
}

// How many of the canonical's last path parts stand for the file, in the
// ways the folder serves it: as named, or a folder's index page as the
// folder; 0 when none.
qsizetype fileParts(const QStringList& decoded, const QString& file) {
    QStringList parts = file.split(u'/');
    if (endsWith(decoded, parts))
        return parts.size();
    const QString last = parts.takeLast();
    if (last == QLatin1String("index.html") || last == QLatin1String("index.htm")) {
        parts.append(QString()); // the path ends with '/'
        if (endsWith(decoded, parts))
            return parts.size();
    }
    return 0;
}

} // namespace

std::optional<SiteAddress> inferSiteAddress(const QList<FileCanonical>& pages) {
    QSet<QString> origins;
    QHash<QString, qsizetype> votes; // by the address they give
    qsizetype absolute = 0;
    for (const FileCanonical& page : pages) {
        const web::WebUrl url = web::parseWebUrl(page.canonical.trimmed());
        if (!url.valid) // relative: it names no origin
            continue;
        ++absolute;
        const bool served = url.scheme == u"https" || url.scheme == u"http" || url.scheme == u"file";
        origins.insert(served ? url.scheme + u"://" + url.host +
                                    (url.port >= 0 ? u':' + QString::number(url.port) : QString())
                              : QStringLiteral("none"));
        if (!served || url.opaquePath || page.path.isEmpty())
            continue;
        const QStringList raw = url.path.split(u'/'); // "" before the first '/'
        QStringList decoded;
        for (const QString& part : raw)
            decoded.append(web::percentDecoded(part));
        const qsizetype file = fileParts(decoded, page.path);
        if (file == 0 || file >= raw.size())
            continue;
        const QString prefix = raw.first(raw.size() - file).join(u'/') + u'/';
        ++votes[origins.size() == 1 ? *origins.cbegin() + prefix : QString()];
    }
    if (origins.size() != 1)
        return std::nullopt;
    QString best;
    qsizetype most = 0;
    for (auto it = votes.cbegin(); it != votes.cend(); ++it)
        if (it.value() > most) {
            best = it.key();
            most = it.value();
        }
    // Most canonicals name their own file: the few that name another page are duplicates.
    if (2 * most <= absolute)
        return std::nullopt;
    const web::WebUrl address = web::parseWebUrl(best);
    if (!address.valid)
        return std::nullopt;
    return SiteAddress{.url = address.href, .from = SiteAddress::From::Canonicals, .canonicals = most};
}

} // namespace headwise::audit
