// The references any page text gives in a folder site: internal keys never
// lead out of the folder, what they name is looked up without a fault, and a
// link read as text names what the address parser names. The page in a graph
// of its own, through every rule across pages: its ids sorted once each, each
// fragment a link names kept as written, each finding on the page's text.

#include "core/audit/engine/siterun.h"
#include "core/audit/model/sitegraph.h"
#include "core/site/pagelinks.h"
#include "require.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>

using namespace headwise;
using namespace headwise::audit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QTemporaryDir dir;
    static const bool made = QDir(dir.path()).mkpath(QStringLiteral("dir")) &&
                             QFile(dir.filePath(QStringLiteral("dir/page.html"))).open(QIODevice::WriteOnly);
    require(made);
    static const SiteFolder folder(dir.path(), QUrl(QStringLiteral("https://rugs.example/")));
    const QString page = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    static const web::WebUrl address = web::parseWebUrl(QStringLiteral("https://rugs.example/dir/page.html"));
    const QString baseKey = QStringLiteral("dir/page.html");
    for (const PageReference& r : pageReferences(page).references) {
        const std::optional<SiteTarget> target = folder.reference(address, baseKey, r.target);
        if (!target || !target->internal)
            continue;
        const QString path = QDir::cleanPath(dir.path() + u'/' + target->key);
        require(path == dir.path() || path.startsWith(dir.path() + u'/'));
        // The folder holds nothing but the page: whatever else a link names is missing.
        require(folder.statusOf(target->key) == (path == dir.filePath(baseKey) ? 200 : 404));
        const std::optional<SiteTarget> parsed = folder.target(web::parseWebUrl(r.target, &address));
        require(parsed && parsed->key == target->key);
    }
    static const AuditConfig config;
    const QString file = dir.filePath(baseKey);
    PageInput input;
    input.bytes = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
    input.address = QUrl::fromLocalFile(file).toString();
    const PageAudit audit = auditPage(input, config);
    SiteGraph graph;
    const QList<SitePage> pages{graph.add(resolveSitePage(folder, file, folder.addressOf(file), audit, 200))};
    const SitePage& p = pages.first();
    require(std::adjacent_find(p.ids.begin(), p.ids.end(), std::greater_equal<quint32>()) == p.ids.end());
    for (const SiteReference& r : p.references) {
        require(r.target >= 0 && r.target < graph.size());
        if (r.fragment >= 0)
            require(!graph.fragment(r.fragment).isEmpty() && graph.fragmentHash(r.fragment) != 0);
    }
    const SiteResult result = siteFindings(pages, graph, folder, true, config, 1);
    for (const Finding& f : result.findings.first())
        require(f.offset < 0 || (f.offset + f.length <= audit.text.size() && f.line > 0));
    return 0;
}
