#include "core/audit/pagecheck.h"

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

    qsizetype toText(qsizetype offset) {
        const qsizetype line = decodedLines_.lineOf(offset);
        if (line >= textLines_.lineCount())
            return text_.size();
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
            // A reference stands for one character (two code units beyond the BMP).
            const qsizetype end = QStringView(decoded_).sliced(d_, lineEnd - d_).indexOf(u';');
            if (end < 0) {
                stuck_ = true; // nothing more on this line lines up
                break;
            }
            if (d_ + end >= offset)
                break; // the offset falls inside the reference: its character
            d_ += end + 1;
            t_ += text_[t_].isHighSurrogate() ? 2 : 1;
        }
        return std::min(t_, text_.size());
    }

private:
    const QString& decoded_;
    const QString& text_;
    const LineIndex decodedLines_, textLines_;
    qsizetype line_ = -1, d_ = 0, t_ = 0;
    bool stuck_ = false;
};

} // namespace

void mapFindingsToText(QList<Finding>& findings, const QString& decoded, const QString& text) {
    if (decoded == text)
        return;
    QList<qsizetype> offsets;
    offsets.reserve(findings.size() * 2);
    for (const Finding& f : findings) {
        if (f.offset >= 0)
            offsets << f.offset << f.offset + f.length;
    }
    std::sort(offsets.begin(), offsets.end());
    offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
    Walker walker(decoded, text);
    QList<qsizetype> mapped;
    mapped.reserve(offsets.size());
    for (qsizetype offset : offsets)
        mapped << walker.toText(offset);
    const auto toText = [&](qsizetype offset) {
        return mapped[std::lower_bound(offsets.cbegin(), offsets.cend(), offset) - offsets.cbegin()];
    };
    for (Finding& f : findings) {
        if (f.offset < 0)
            continue;
        const qsizetype start = toText(f.offset);
        f.length = toText(f.offset + f.length) - start;
        f.offset = start;
    }
}

} // namespace audit

PageCheck checkPage(const PageSnapshot& page, const audit::AuditConfig& config) {
    PageEncoding encoding = page.encoding;
    encoding.lineBreak = LineBreak::Lf; // keeps the audit's lines the text's lines
    audit::PageInput input;
    input.bytes = encodePage(page.text, encoding);
    input.address = page.address;
    input.httpStatus = page.httpStatus;
    input.httpCharset = QString::fromLatin1(page.httpCharset);
    input.headers = page.headers;
    PageCheck check{audit::auditPage(input, config), page.address};
    audit::mapFindingsToText(check.audit.findings, check.audit.text, page.text);
    return check;
}

} // namespace headwise
