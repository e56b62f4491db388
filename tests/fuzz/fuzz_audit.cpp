// The audit of one page: findings point inside the decoded text, name rules
// from the table, come sorted and never twice; the head-only parse gives the
// same page as a full parse. The same text held in an editor and saved as
// Windows-1252 (references for what it lacks) and read back as such gets its findings back at the
// same pieces of the editor's text.

#include "core/audit/engine/pageaudit.h"
#include "core/audit/engine/pagecheck.h"
#include "core/audit/model/pagemodel.h"
#include "core/page/linebreaks.h"
#include "core/page/pagecodec.h"
#include "core/site/robotstxt.h"
#include "require.h"

#include <QSet>

using namespace headwise::audit;

namespace {

// A finding about what the server sent quotes that instead of the page.
bool fromServer(const QString& source) {
    for (const char* lead : {"X-Robots-Tag: ", "Link header: ", "Content-Type header: ", "robots.txt"})
        if (source.startsWith(QLatin1String(lead)))
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte picks what a server would have said about the page.
    static const char* const charsets[] = {"", "utf-8", "windows-1252", "shift_jis", "bogus"};
    PageInput page;
    if (size) {
        page.httpCharset = QString::fromLatin1(charsets[data[0] % std::size(charsets)]);
        if (data[0] & 0x80)
            page.headers.append({QByteArray("X-Robots-Tag"),
                                 QByteArray("googlebot: noindex, unavailable_after: 1 Jan 2001")});
        page.httpStatus = (data[0] & 0x40) ? 404 : 0;
        page.address =
            (data[0] & 0x20) ? QStringLiteral("https://example.com/a/b") : QStringLiteral("file:///x.html");
    }
    page.bytes = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
    // The same bytes as the server's Link header and robots.txt: any text must do.
    if (size && (data[0] & 0x10))
        page.headers.append({QByteArray("Link"), page.bytes});
    if (size && (data[0] & 0x08))
        page.googlebotRobots = std::make_shared<const headwise::RobotsRules>(
            headwise::RobotsRules::parse(page.bytes, u"Googlebot"));

    const PageAudit audit = auditPage(page, AuditConfig());
    QSet<QString> seen;
    for (qsizetype i = 0; i < audit.findings.size(); ++i) {
        const Finding& f = audit.findings[i];
        require(findRule(f.rule) != nullptr);
        // A finding about the page as a whole has no place; every other one has one inside the text.
        if (f.hasPosition())
            require(f.offset >= 0 && f.length > 0 && f.offset + f.length <= audit.text.size() &&
                    f.column >= 1);
        else
            require(f.offset == -1 && f.line == 0 && f.column == 0);
        require(fromServer(f.source) ||
                f.source == audit.text.mid(std::max<qsizetype>(f.offset, 0), f.length));
        if (i > 0) {
            const Finding& before = audit.findings[i - 1];
            require(before.offset < f.offset ||
                    (before.offset == f.offset && ruleIndex(before.rule) <= ruleIndex(f.rule)));
        }
        const QString key = f.rule + QChar(0) + QString::number(f.offset) + QChar(0) +
                            QString::number(f.length) + QChar(0) + f.message;
        require(!seen.contains(key));
        seen.insert(key);
    }
    const QByteArray utf8 = audit.text.toUtf8();
    require(parsePage(utf8) == parseWholePage(utf8));

    headwise::PageSnapshot edited;
    edited.text = headwise::toLf(QString::fromUtf8(page.bytes));
    edited.encoding.name = QStringLiteral("windows-1252");
    edited.httpCharset = "windows-1252"; // as a server would say it, above any meta charset
    const headwise::PageCheck check = headwise::checkPage(edited, AuditConfig());
    headwise::PageEncoding stored = edited.encoding;
    stored.lineBreak = headwise::LineBreak::Lf;
    for (const Finding& f : check.audit.findings) {
        if (f.offset < 0)
            continue;
        require(f.length >= 0 && f.offset + f.length <= edited.text.size());
        if (f.source.isEmpty() || fromServer(f.source))
            continue;
        // The box's piece, saved again, holds what the audit quoted: a finding
        // that cuts a reference covers its whole character, never nothing.
        const QString piece = edited.text.mid(f.offset, f.length);
        require(!piece.isEmpty());
        require(headwise::decodeWindows1252(headwise::encodePage(piece, stored))
                    .contains(headwise::toLf(f.source))); // the box breaks lines with LF
    }
    return 0;
}
