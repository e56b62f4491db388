#include "core/audit/engine/pagecheck.h"

#include "core/audit/fix/repair.h"
#include "core/audit/report/structureditems.h"
#include "core/page/linebreaks.h"
#include "core/page/lineindex.h"

#include <algorithm>

namespace headwise {
namespace audit {
namespace {

// Walks both texts forward together; asked for offsets in rising order, it
// never goes back, so every character is looked at a bounded number of times.
class Walker {
public:
    Walker(const QString& decoded, const QString& text)
        : decoded_(decoded), text_(text), decodedLines_(decoded), textLines_(text) {}

    // Where the offset lands in text: `before` is the character it falls in,
    // `after` the end of that character when the offset is inside a reference
    // or a CR LF, so a span that starts or ends inside one still covers it.
    struct Landing {
        qsizetype before, after;
    };

    Landing toText(qsizetype offset) {
        const qsizetype line = decodedLines_.lineOf(offset);
        if (line >= textLines_.lineCount())
            return {text_.size(), text_.size()};
        if (line != line_) {
            line_ = line;
            d_ = decodedLines_.lineStart(line);
            t_ = textLines_.lineStart(line);
            stuck_ = false;
        }
        const qsizetype lineEnd =
            line + 1 < decodedLines_.lineCount() ? decodedLines_.lineStart(line + 1) : decoded_.size();
        while (!stuck_ && d_ < offset && t_ < text_.size()) {
            if (text_[t_] == decoded_[d_]) {
                ++t_, ++d_;
                continue;
            }
            // A reference stands for one character (two code units beyond the
            // BMP), and a CR LF for the box's LF.
            const bool crlf = decoded_[d_] == u'\r' && text_[t_] == u'\n' && d_ + 1 < decoded_.size() &&
                              decoded_[d_ + 1] == u'\n';
            const qsizetype end = crlf ? 1 : QStringView(decoded_).sliced(d_, lineEnd - d_).indexOf(u';');
            if (end < 0) {
                stuck_ = true; // nothing more on this line lines up
                break;
            }
            const qsizetype width = text_[t_].isHighSurrogate() ? 2 : 1;
            if (d_ + end >= offset) { // the offset falls inside the reference: its character
                const qsizetype at = std::min(t_, text_.size());
                return {at, d_ < offset ? std::min(t_ + width, text_.size()) : at};
            }
            d_ += end + 1;
            t_ += width;
        }
        const qsizetype at = std::min(t_, text_.size());
        return {at, at};
    }

private:
    const QString& decoded_;
    const QString& text_;
    const LineIndex decodedLines_, textLines_;
    qsizetype line_ = -1, d_ = 0, t_ = 0;
    bool stuck_ = false;
};

// Each pair's offset and length, moved to text. One pass over both texts.
void mapSpans(const QList<std::pair<qsizetype*, qsizetype*>>& spans, const QString& decoded,
              const QString& text) {
    if (decoded == text)
        return;
    QList<qsizetype> offsets;
    offsets.reserve(spans.size() * 2);
    for (const auto& [offset, length] : spans)
        if (*offset >= 0)
            offsets << *offset << *offset + *length;
    std::sort(offsets.begin(), offsets.end());
    offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
    Walker walker(decoded, text);
    QList<Walker::Landing> mapped;
    mapped.reserve(offsets.size());
    for (qsizetype offset : offsets)
        mapped << walker.toText(offset);
    const auto toText = [&](qsizetype offset) {
        return mapped[std::lower_bound(offsets.cbegin(), offsets.cend(), offset) - offsets.cbegin()];
    };
    for (const auto& [offset, length] : spans) {
        if (*offset < 0)
            continue;
        const qsizetype start = toText(*offset).before;
        *length = (*length > 0 ? toText(*offset + *length).after : start) - start;
        *offset = start;
    }
}

} // namespace

void mapFindingsToText(QList<Finding>& findings, const QString& decoded, const QString& text) {
    QList<std::pair<qsizetype*, qsizetype*>> spans;
    for (Finding& f : findings)
        spans.append(std::pair(&f.offset, &f.length));
    mapSpans(spans, decoded, text);
}

void mapItemsToText(QList<StructuredItemFacts>& items, const QString& decoded, const QString& text) {
    QList<std::pair<qsizetype*, qsizetype*>> spans;
    for (StructuredItemFacts& item : items)
        spans.append(std::pair(&item.offset, &item.length));
    mapSpans(spans, decoded, text);
}

void mapEditsToText(QList<TextEdit>& edits, const QString& decoded, const QString& text) {
    QList<std::pair<qsizetype*, qsizetype*>> spans;
    for (TextEdit& e : edits) {
        spans.append(std::pair(&e.offset, &e.length));
        e.replacement = toLf(e.replacement); // the box breaks lines with LF, as the text does
    }
    mapSpans(spans, decoded, text);
}

} // namespace audit

namespace {

// The page as it would be stored: in its encoding, with LF breaks, which
// keeps the audit's lines the text's lines.
audit::PageInput storedPage(const PageSnapshot& page) {
    PageEncoding encoding = page.encoding;
    encoding.lineBreak = LineBreak::Lf;
    audit::PageInput input;
    input.bytes = encodePage(page.text, encoding);
    input.address = page.address;
    input.httpStatus = page.httpStatus;
    input.httpCharset = QString::fromLatin1(page.httpCharset);
    input.headers = page.headers;
    return input;
}

bool isWebAddress(const QString& address) {
    return address.startsWith(QLatin1String("http://")) || address.startsWith(QLatin1String("https://"));
}

} // namespace

PageCheck checkPage(const PageSnapshot& page, const audit::AuditConfig& config) {
    PageCheck check{audit::auditPage(storedPage(page), config), page.address, {}};
    const audit::FixOptions options{
        .lang = {}, .baseUrl = isWebAddress(page.address) ? page.address : QString(), .rules = {}};
    check.fixes = audit::offeredFixes(check.audit, options);
    audit::mapFindingsToText(check.audit.findings, check.audit.text, page.text);
    check.structuredData =
        audit::structuredItems(check.audit.model.structuredData, check.audit.itemVerdicts, check.audit.lines);
    audit::mapItemsToText(check.structuredData, check.audit.text, page.text);
    return check;
}

SnapshotRepair repairSnapshot(const PageSnapshot& page, const audit::AuditConfig& config,
                              const audit::FixOptions& options, const std::optional<audit::Finding>& only) {
    const audit::PageInput input = storedPage(page);
    const audit::PageAudit audit = audit::auditPage(input, config);
    qsizetype index = -1;
    if (only) {
        QList<audit::Finding> placed = audit.findings;
        audit::mapFindingsToText(placed, audit.text, page.text);
        index = placed.indexOf(*only);
        if (index < 0)
            return {}; // the page changed since the finding was shown
    }
    audit::Repair repair = audit::repairPage(input, audit, config, options, index);
    SnapshotRepair out{audit::combinedEdits(repair.made), std::move(repair.made), std::move(repair.undone)};
    audit::mapEditsToText(out.edits, audit.text, page.text);
    return out;
}

} // namespace headwise
