#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace headwise {

// The addresses a sitemap lists: pages (<urlset>) or further sitemaps
// (<sitemapindex>), in document order.
struct Sitemap {
    enum class Kind { Pages, Index };
    Kind kind = Kind::Pages;
    QStringList locations;  // absolute http and https addresses only
    QList<int> lines;       // of each location's <loc>
    int skipped = 0;        // <loc>s that were empty, relative or of another scheme
    bool truncated = false; // more than kMaxSitemapEntries: the rest is not read
};

// The sitemap protocol's own limit for one file.
inline constexpr int kMaxSitemapEntries = 50000;

// nullopt when the bytes are not XML or not a sitemap; error then says why
// and where (line and column).
std::optional<Sitemap> parseSitemap(const QByteArray& xml, QString* error);

} // namespace headwise
