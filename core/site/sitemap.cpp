#include "core/site/sitemap.h"

#include "core/web/weburl.h"

#include <QXmlStreamReader>

namespace headwise {

namespace {

bool isWebAddress(const QString& location) {
    const web::WebUrl url = web::parseWebUrl(location);
    return url.valid && !url.host.isEmpty() && (url.scheme == u"http" || url.scheme == u"https");
}

QString failure(const QXmlStreamReader& reader, const QString& what) {
    return QStringLiteral("%1 (line %2, column %3)")
        .arg(what)
        .arg(reader.lineNumber())
        .arg(reader.columnNumber());
}

} // namespace

std::optional<Sitemap> parseSitemap(const QByteArray& xml, QString* error) {
    QXmlStreamReader reader(xml);
    const auto fail = [&](const QString& what) -> std::optional<Sitemap> {
        if (error)
            *error = failure(reader, what);
        return std::nullopt;
    };
    if (!reader.readNextStartElement())
        return fail(reader.hasError() ? QStringLiteral("not XML: ") + reader.errorString()
                                      : QStringLiteral("not XML: no element"));

    Sitemap sitemap;
    QStringView entry;
    if (reader.name() == QLatin1String("urlset")) {
        entry = u"url";
    } else if (reader.name() == QLatin1String("sitemapindex")) {
        sitemap.kind = Sitemap::Kind::Index;
        entry = u"sitemap";
    } else {
        return fail(QStringLiteral("not a sitemap: the document is <%1>, not <urlset> or <sitemapindex>")
                        .arg(reader.name()));
    }

    // Only <loc> directly inside an entry counts; anything else (lastmod,
    // image extensions ...) is passed over whole.
    while (reader.readNextStartElement()) {
        if (reader.name() != entry) {
            reader.skipCurrentElement();
            continue;
        }
        while (reader.readNextStartElement()) {
            if (reader.name() != QLatin1String("loc")) {
                reader.skipCurrentElement();
                continue;
            }
            const int line = int(reader.lineNumber());
            const QString location = reader.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
            if (sitemap.locations.size() >= kMaxSitemapEntries) {
                sitemap.truncated = true;
                return sitemap;
            }
            if (isWebAddress(location)) {
                sitemap.locations.append(location);
                sitemap.lines.append(line);
            } else
                ++sitemap.skipped;
        }
    }
    if (reader.hasError())
        return fail(QStringLiteral("not XML: ") + reader.errorString());
    return sitemap;
}

} // namespace headwise
