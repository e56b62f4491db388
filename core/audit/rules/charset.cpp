// Charset declarations. Browsers read the byte order mark, then the HTTP
// charset, then a <meta> declaration found by a prescan of the first 1024
// bytes; the prescan here reads the raw bytes the same way.

#include "core/audit/rules/charset.h"

#include "core/audit/engine/rulecontext.h"
#include "core/audit/fix/fixcontext.h"
#include "core/web/encodinglabels.h"

#include <QStringDecoder>

namespace headwise::audit {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The charset= value inside a Content-Type, or empty.
QString charsetParameter(QStringView content) {
    const qsizetype at = content.indexOf(QLatin1String("charset"), 0, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    qsizetype i = at + 7;
    while (i < content.size() && content[i].isSpace())
        ++i;
    if (i >= content.size() || content[i] != u'=')
        return {};
    ++i;
    while (i < content.size() && content[i].isSpace())
        ++i;
    QChar quote;
    if (i < content.size() && (content[i] == u'"' || content[i] == u'\''))
        quote = content[i++];
    const qsizetype start = i;
    while (i < content.size() && content[i] != quote && content[i] != u';' && !content[i].isSpace())
        ++i;
    return content.mid(start, i - start).toString();
}

QList<const MarkupElement*> declarations(const RuleContext& c) {
    QList<const MarkupElement*> out;
    for (const MarkupElement& e : c.model.elements)
        if (!declaredBy(e).isEmpty())
            out.append(&e);
    return out;
}

// Whether a <meta> that ends within the first 1024 bytes declares a charset.
// Comments are skipped and attribute values may hold '>', as in a browser's prescan.
bool declaredEarly(const QByteArray& bytes) {
    const QByteArray head = bytes.left(1024);
    const qsizetype n = head.size();
    qsizetype i = 0;
    while (i < n) {
        if (head.mid(i, 4) == "<!--") {
            const qsizetype end = head.indexOf("-->", i + 4);
            if (end < 0)
                return false;
            i = end + 3;
            continue;
        }
        // Only '<' before a letter, '/', '!' or '?' opens a tag; "a < b" is text.
        const char next = i + 1 < n ? head[i + 1] : '\0';
        const bool opensTag = (next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z') || next == '/' ||
                              next == '!' || next == '?';
        if (head[i] != '<' || !opensTag) {
            ++i;
            continue;
        }
        const bool meta = head.mid(i + 1, 4).toLower() == "meta" && i + 5 < n &&
                          (isBlank(head[i + 5]) || head[i + 5] == '/');
        qsizetype j = i + 1;
        bool charset = false, contentType = false, contentCharset = false;
        // Attributes: name [= value]; stop at '>'.
        while (j < n && head[j] != '>') {
            if (isBlank(head[j]) || head[j] == '/') {
                ++j;
                continue;
            }
            const qsizetype nameStart = j;
            while (j < n && !isBlank(head[j]) && head[j] != '=' && head[j] != '>' && head[j] != '/')
                ++j;
            const QByteArray name = head.mid(nameStart, j - nameStart).toLower();
            while (j < n && isBlank(head[j]))
                ++j;
            QByteArray value;
            if (j < n && head[j] == '=') {
                ++j;
                while (j < n && isBlank(head[j]))
                    ++j;
                if (j < n && (head[j] == '"' || head[j] == '\'')) {
                    const char quote = head[j++];
                    const qsizetype end = head.indexOf(quote, j);
                    if (end < 0)
                        return false;
                    value = head.mid(j, end - j);
                    j = end + 1;
                } else {
                    const qsizetype start = j;
                    while (j < n && !isBlank(head[j]) && head[j] != '>')
                        ++j;
                    value = head.mid(start, j - start);
                }
            }
            const QByteArray lowerValue = value.toLower();
            if (name == "charset" && !value.trimmed().isEmpty())
                charset = true;
            else if (name == "http-equiv" && lowerValue.trimmed() == "content-type")
                contentType = true;
            else if (name == "content" && !charsetParameter(QString::fromLatin1(value)).isEmpty())
                contentCharset = true;
        }
        if (j >= n)
            return false; // the tag does not end within the bytes
        if (meta && (charset || (contentType && contentCharset)))
            return true;
        i = j + 1;
    }
    return false;
}

// The encoding a byte order mark names, or empty.
QString bomEncoding(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QStringLiteral("utf-8");
    if (bytes.startsWith("\xFF\xFE"))
        return QStringLiteral("utf-16le");
    if (bytes.startsWith("\xFE\xFF"))
        return QStringLiteral("utf-16be");
    return {};
}

bool isUtf16(const QString& encoding) {
    return encoding.startsWith(QLatin1String("utf-16"));
}

// What a <meta> declaration means to a browser's prescan: a UTF-16 label reads
// as UTF-8 and x-user-defined as windows-1252 (WHATWG HTML).
QString metaEncoding(const QString& label) {
    const QString encoding = web::encodingForLabel(label);
    if (isUtf16(encoding))
        return QStringLiteral("utf-8");
    if (encoding == QLatin1String("x-user-defined"))
        return QStringLiteral("windows-1252");
    return encoding;
}

// The declarations as browsers weigh them: the byte order mark, the HTTP
// charset, the page's first declaration.
struct Declared {
    QString bom;
    QString http, httpEncoding; // label as sent, the encoding it names (empty if unknown)
    const MarkupElement* meta = nullptr;
    QString metaLabel, metaEncoding;
    // The encoding a browser reads the page in, when a declaration decides it.
    QString used() const {
        return !bom.isEmpty() ? bom : !httpEncoding.isEmpty() ? httpEncoding : metaEncoding;
    }
};

Declared declared(const RuleContext& c) {
    Declared d;
    d.bom = bomEncoding(c.input.bytes);
    d.http = c.input.httpCharset.trimmed();
    d.httpEncoding = web::encodingForLabel(d.http);
    const QList<const MarkupElement*> found = declarations(c);
    if (!found.isEmpty()) {
        d.meta = found.first();
        d.metaLabel = declaredBy(*d.meta);
        d.metaEncoding = metaEncoding(d.metaLabel);
    }
    return d;
}

QString httpSource(const Declared& d) {
    return QStringLiteral("Content-Type header: charset=") + d.http;
}

// Valid UTF-8 holding at least one multi-byte sequence: text a single-byte
// charset would show as two signs per letter. Overlong forms and surrogates
// are not valid (RFC 3629).
bool isMultiByteUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    bool multiByte = false;
    for (qsizetype i = 0; i < n;) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            low = b == 0xE0 ? 0xA0 : 0x80;
            high = b == 0xED ? 0x9F : 0xBF;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            low = b == 0xF0 ? 0x90 : 0x80;
            high = b == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (i + length > n || p[i + 1] < low || p[i + 1] > high)
            return false;
        for (int k = 2; k < length; ++k)
            if (p[i + k] < 0x80 || p[i + k] > 0xBF)
                return false;
        multiByte = true;
        i += length;
    }
    return multiByte;
}

// Empty when the bytes decode cleanly in encoding; else why not. The page
// decoder is strict, so bytes it read in that encoding are valid in it.
QString decodingProblem(const QByteArray& bytes, const QString& encoding, const QString& decodedFrom) {
    if (web::isSingleByteEncoding(encoding) || encoding == web::encodingForLabel(decodedFrom))
        return {}; // every byte of these means something, and the decoder checked the rest
    const QByteArray name = encoding.toLatin1();
    QStringDecoder decoder(name.constData(), QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return {};                              // an encoding the text library lacks cannot be judged
    const QString text = decoder.decode(bytes); // the conversion runs on assignment
    if (decoder.hasError())
        return QStringLiteral("The page holds bytes that are not valid %1").arg(encoding);
    return {};
}

void charsetMissing(const RuleContext& c, RawFindings& out) {
    const Declared d = declared(c);
    if (!d.bom.isEmpty() || !d.httpEncoding.isEmpty() || d.meta || declaredEarly(c.input.bytes))
        return;
    out.append({ruleid::kCharsetMissing,
                QStringLiteral("No byte order mark, HTTP charset or <meta charset> declares the "
                               "encoding"),
                {}});
}

void charsetLate(const RuleContext& c, RawFindings& out) {
    const Declared d = declared(c);
    if (!d.meta || declaredEarly(c.input.bytes))
        return;
    if (d.bom.isEmpty() && d.httpEncoding.isEmpty()) {
        out.append({ruleid::kCharsetLate,
                    QStringLiteral("The charset declaration does not end within the first 1024 bytes"),
                    d.meta->span});
        return;
    }
    out.append({ruleid::kCharsetLate,
                QStringLiteral("The charset declaration does not end within the first 1024 bytes; the %1 "
                               "names the encoding, so browsers do not need it")
                    .arg(d.bom.isEmpty() ? QStringLiteral("HTTP header") : QStringLiteral("byte order mark")),
                d.meta->span,
                {},
                true});
}

void charsetMultiple(const RuleContext& c, RawFindings& out) {
    const QList<const MarkupElement*> found = declarations(c);
    for (qsizetype i = 1; i < found.size(); ++i)
        out.append({ruleid::kCharsetMultiple,
                    QStringLiteral("Another charset declaration (%1); only the first one counts")
                        .arg(declaredBy(*found[i])),
                    found[i]->span});
}

void charsetMismatch(const RuleContext& c, RawFindings& out) {
    const Declared d = declared(c);
    if (!d.http.isEmpty() && d.httpEncoding.isEmpty())
        out.append({ruleid::kCharsetMismatch,
                    QStringLiteral("Content-Type header: the charset \"%1\" is not an encoding browsers "
                                   "know, so they ignore it")
                        .arg(d.http),
                    {},
                    httpSource(d)});
    if (d.meta && web::encodingForLabel(d.metaLabel).isEmpty())
        out.append({ruleid::kCharsetMismatch,
                    QStringLiteral("The charset \"%1\" is not an encoding browsers know, so they ignore it")
                        .arg(d.metaLabel),
                    d.meta->span});
    if (d.meta && isUtf16(web::encodingForLabel(d.metaLabel)))
        out.append({ruleid::kCharsetMismatch,
                    QStringLiteral("A <meta> naming %1 means UTF-8 to a browser; a UTF-16 page is known by "
                                   "its byte order mark")
                        .arg(d.metaLabel),
                    d.meta->span,
                    {},
                    true});
    if (!d.bom.isEmpty()) {
        // The byte order mark wins; a declaration naming another encoding is wrong.
        const auto agrees = [&](const QString& encoding) {
            return encoding.isEmpty() || encoding == d.bom || (isUtf16(encoding) && isUtf16(d.bom));
        };
        if (!agrees(d.httpEncoding))
            out.append({ruleid::kCharsetMismatch,
                        QStringLiteral("Content-Type header: the server sends %1 but the byte order mark "
                                       "says %2, and the mark wins")
                            .arg(d.http, d.bom),
                        {},
                        httpSource(d)});
        if (d.meta && !isUtf16(web::encodingForLabel(d.metaLabel)) && !agrees(d.metaEncoding))
            out.append({ruleid::kCharsetMismatch,
                        QStringLiteral("The page declares %1 but the byte order mark says %2, and the mark "
                                       "wins")
                            .arg(d.metaLabel, d.bom),
                        d.meta->span});
        return;
    }
    if (!d.httpEncoding.isEmpty() && !d.metaEncoding.isEmpty() && d.httpEncoding != d.metaEncoding)
        out.append({ruleid::kCharsetMismatch,
                    QStringLiteral("The page declares %1 but the server sends %2, and the server wins")
                        .arg(d.metaLabel, d.http),
                    d.meta->span});
    const QString used = d.used();
    if (used.isEmpty())
        return;
    const QString problem = decodingProblem(c.input.bytes, used, c.decodedFrom);
    if (problem.isEmpty())
        return;
    if (!d.httpEncoding.isEmpty())
        out.append(
            {ruleid::kCharsetMismatch, QStringLiteral("Content-Type header: ") + problem, {}, httpSource(d)});
    else
        out.append({ruleid::kCharsetMismatch, problem, d.meta->span});
}

void charsetWrong(const RuleContext& c, RawFindings& out) {
    const Declared d = declared(c);
    const QString used = d.used();
    if (!d.bom.isEmpty() || !web::isSingleByteEncoding(used) || !isMultiByteUtf8(c.input.bytes))
        return;
    const QString message = QStringLiteral("declares %1 but the bytes are UTF-8, so every accented letter "
                                           "shows as two signs; declare utf-8");
    if (!d.httpEncoding.isEmpty())
        out.append({ruleid::kCharsetWrong,
                    QStringLiteral("Content-Type header: the server ") + message.arg(d.http),
                    {},
                    httpSource(d)});
    else
        out.append(
            {ruleid::kCharsetWrong, QStringLiteral("The page ") + message.arg(d.metaLabel), d.meta->span});
}

std::optional<PageFix> fixCharsetMissing(const FixContext& page, qsizetype) {
    // Only a page read as UTF-8 without a mark is known to be UTF-8; Windows-1252
    // is no more than the last guess.
    if (page.audit.encoding.name != QLatin1String("UTF-8") || page.audit.encoding.bom)
        return std::nullopt;
    const QString tag = QStringLiteral("<meta charset=\"utf-8\">");
    return fixed(QStringLiteral("added ") + tag, {page.intoHead(tag)});
}

std::optional<PageFix> fixCharsetLate(const FixContext& page, qsizetype i) {
    const MarkupElement* e = page.element(i);
    if (!e)
        return std::nullopt;
    TextEdit into = page.intoHead(page.source(*e));
    TextEdit out = removal(page.text(), e->span);
    if (into.offset > out.offset && into.offset < out.offset + out.length)
        return std::nullopt;
    QList<TextEdit> edits =
        into.offset <= out.offset ? QList<TextEdit>{into, out} : QList<TextEdit>{out, into};
    return fixed(QStringLiteral("moved the charset declaration to the start of the head"), std::move(edits));
}

} // namespace

QString declaredBy(const MarkupElement& e) {
    if (e.kind != MarkupElement::Kind::Meta)
        return {};
    if (e.hasAttribute(QLatin1String("charset")))
        return e.attribute(QLatin1String("charset")).trimmed();
    if (e.isHttpEquiv(QLatin1String("content-type")))
        return charsetParameter(e.attribute(QLatin1String("content")));
    return {};
}

QList<Rule> charsetRules() {
    using S = Severity;
    return {
        {
            .id = ruleid::kCharsetMissing,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "The page's character encoding is declared nowhere.",
            .help = "With no byte order mark, no charset in the HTTP Content-Type and no <meta charset>, a "
                    "browser "
                    "has to guess the encoding, and non-ASCII text may come out garbled (Lighthouse charset "
                    "audit; "
                    "WHATWG HTML, \"Determining the character encoding\"). Add <meta charset=\"utf-8\"> at "
                    "the start "
                    "of the head.",
            .sources =
                {{"Lighthouse: charset",
                  "https://developer.chrome.com/docs/lighthouse/best-practices/charset"},
                 {"WHATWG HTML: Determining the character encoding",
                  "https://html.spec.whatwg.org/multipage/parsing.html#determining-the-character-encoding"},
                 {"WHATWG HTML: Specifying the document's character encoding",
                  "https://html.spec.whatwg.org/multipage/semantics.html#charset"}},
            .check = charsetMissing,
            .fix = fixCharsetMissing,
            .fixHelp = "When the bytes are UTF-8: the tag goes right after <head>.",
            .fixStage = FixStage::Charset,
        },
        {
            .id = ruleid::kCharsetLate,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "The charset declaration does not end within the first 1024 bytes.",
            .help = "Browsers look for the declaration in the first 1024 bytes only (WHATWG HTML, \"prescan "
                    "a byte "
                    "stream\"); a later one is ignored or forces the page to be read twice. When a byte "
                    "order mark "
                    "or the HTTP Content-Type names the encoding, the late declaration does no harm and is "
                    "only a "
                    "note (Lighthouse charset audit). Put <meta charset> first in the head.",
            .sources = {{"WHATWG HTML: Prescan a byte stream to determine its encoding",
                         "https://html.spec.whatwg.org/multipage/"
                         "parsing.html#prescan-a-byte-stream-to-determine-its-encoding"},
                        {"Lighthouse: charset",
                         "https://developer.chrome.com/docs/lighthouse/best-practices/charset"}},
            .check = charsetLate,
            .fix = fixCharsetLate,
            .fixHelp = "The declaration moves to right after <head>.",
            .fixStage = FixStage::Charset,
        },
        {
            .id = ruleid::kCharsetMultiple,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description = "The page declares its charset more than once.",
            .help = "Only the first declaration counts. Keep one <meta charset>.",
            .sources = {{"WHATWG HTML: Specifying the document's character encoding",
                         "https://html.spec.whatwg.org/multipage/semantics.html#charset"},
                        {"WHATWG HTML: Prescan a byte stream to determine its encoding",
                         "https://html.spec.whatwg.org/multipage/"
                         "parsing.html#prescan-a-byte-stream-to-determine-its-encoding"}},
            .check = charsetMultiple,
        },
        {
            .id = ruleid::kCharsetMismatch,
            .severity = S::Warning,
            .scope = RuleScope::Page,
            .description =
                "The declared charsets name different encodings, or the bytes are not valid in the one used.",
            .help =
                "Labels are compared as the encodings they name (WHATWG Encoding Standard, label table: "
                "latin1 "
                "and windows-1252, gb2312 and gbk are one encoding each). A byte order mark wins over both "
                "declarations, and the HTTP header over the page's own (WHATWG HTML, \"Determining the "
                "character "
                "encoding\"), so a declaration that contradicts them is wrong somewhere. A <meta> naming "
                "UTF-16 "
                "means UTF-8 to a browser. Bytes that are not valid in the encoding used show as replacement "
                "characters. Save the page in the declared encoding, or declare the one it is saved in.",
            .sources =
                {{"WHATWG HTML: Determining the character encoding",
                  "https://html.spec.whatwg.org/multipage/parsing.html#determining-the-character-encoding"},
                 {"WHATWG Encoding: Names and labels", "https://encoding.spec.whatwg.org/#names-and-labels"}},
            .check = charsetMismatch,
        },
        {
            .id = ruleid::kCharsetWrong,
            .severity = S::Error,
            .scope = RuleScope::Page,
            .description = "The page declares a single-byte charset but its bytes are UTF-8.",
            .help =
                "A page saved as UTF-8 but declared as windows-1252 or another single-byte encoding is shown "
                "with every accented letter as two signs (\"caf\u00c3\u00a9\" for \"caf\u00e9\"): browsers "
                "decode it as declared (WHATWG Encoding Standard). Declare utf-8.",
            .sources =
                {{"WHATWG Encoding Standard", "https://encoding.spec.whatwg.org/"},
                 {"WHATWG HTML: Determining the character encoding",
                  "https://html.spec.whatwg.org/multipage/parsing.html#determining-the-character-encoding"}},
            .check = charsetWrong,
        },
    };
}

} // namespace headwise::audit
