// The references any page text gives in a folder site: internal keys never
// lead out of the folder, what they name is looked up without a fault, and a
// link read as text names what the address parser names.

#include "core/audit/model/sitegraph.h"
#include "core/site/pagelinks.h"
#include "require.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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
    return 0;
}
