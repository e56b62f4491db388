// The fixes on any page: every offered fix made at once leaves every byte
// outside its edits as it was, takes its rule's findings away as it promised
// (or is taken back), and a second round finds nothing more to fix.

#include "core/audit/fix/repair.h"
#include "require.h"

#include <QHash>

using namespace headwise;
using namespace headwise::audit;

namespace {

int countOf(const QList<Finding>& findings, const QString& rule) {
    int n = 0;
    for (const Finding& f : findings)
        n += f.rule == rule;
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PageInput page;
    page.bytes = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
    page.address = QStringLiteral("file:///site/dir/page.html");
    // The first byte says what the user gave: a language, a base address.
    FixOptions options;
    if (size && (data[0] & 1))
        options.lang = QStringLiteral("en");
    if (size && (data[0] & 2))
        options.baseUrl = QStringLiteral("https://a.example/dir/page.html");
    const AuditConfig config;
    const PageAudit before = auditPage(page, config);
    const Repair repair = repairPage(page, before, config, options);
    if (!repair.spliced) {
        require(repair.made.isEmpty());
        return 0;
    }
    require(!repair.made.isEmpty());

    // Outside the edits, the same bytes in the same order.
    const QByteArray& after = repair.spliced->bytes;
    qsizetype old = 0, now = 0;
    for (const ByteEdit& edit : repair.spliced->edits) {
        require(edit.offset >= old && edit.offset + edit.oldLength <= page.bytes.size());
        require(QByteArrayView(page.bytes).sliced(old, edit.offset - old) ==
                QByteArrayView(after).sliced(now, edit.offset - old));
        now += edit.offset - old + edit.newLength;
        old = edit.offset + edit.oldLength;
    }
    require(QByteArrayView(page.bytes).sliced(old) == QByteArrayView(after).sliced(now));

    QHash<QString, int> promised;
    for (const PageFix& fix : repair.made)
        promised[fix.rule] += fix.resolves;
    for (auto it = promised.cbegin(); it != promised.cend(); ++it)
        require(countOf(repair.audit.findings, it.key()) <= countOf(before.findings, it.key()) - it.value());

    PageInput fixed = page;
    fixed.bytes = after;
    const Repair again = repairPage(fixed, auditPage(fixed, config), config, options);
    require(again.made.isEmpty() && !again.spliced);
    return 0;
}
