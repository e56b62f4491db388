// Charset declarations. Browsers read the byte order mark, then the HTTP
// charset, then a <meta> declaration found by a prescan of the first 1024
// bytes; the prescan here reads the raw bytes the same way.

#include "checks.h"

#include <QStringDecoder>

namespace headwise::audit::checks {

namespace {

bool hasBom(const QByteArray& bytes) {
    return bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
}

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

// The charset a meta element declares, or empty.
QString declaredBy(const MarkupElement& e) {
    if (e.kind != MarkupElement::Kind::Meta)
        return {};
    if (e.hasAttribute(QLatin1String("charset")))
        return e.attribute(QLatin1String("charset")).trimmed();
    if (e.isHttpEquiv(QLatin1String("content-type")))
        return charsetParameter(e.attribute(QLatin1String("content")));
    return {};
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

// A charset label in the form Qt knows it, for comparing two labels.
QString canonicalName(const QString& label) {
    const QString lower = label.trimmed().toLower();
    static const char* const latin[] = {"windows-1252", "cp1252", "x-cp1252",   "iso-8859-1", "iso8859-1",
                                        "iso_8859-1",   "latin1", "l1",         "us-ascii",   "ascii",
                                        "cp819",        "ibm819", "csisolatin1"};
    for (const char* name : latin)
        if (lower == QLatin1String(name))
            return QStringLiteral("windows-1252");
    if (lower == QLatin1String("utf8") || lower == QLatin1String("unicode-1-1-utf-8"))
        return QStringLiteral("utf-8");
    const QByteArray latin1 = lower.toLatin1();
    QStringDecoder decoder(latin1.constData());
    return decoder.isValid() ? QString::fromLatin1(decoder.name()).toLower() : lower;
}

// Empty when the bytes decode cleanly in charset; else why not. The page
// decoder is strict, so bytes it read in that charset are valid in it.
QString decodingProblem(const QByteArray& bytes, const QString& charset, const QString& decodedFrom) {
    const QString canonical = canonicalName(charset);
    if (canonical == QLatin1String("windows-1252") || canonical == canonicalName(decodedFrom))
        return {}; // every byte has a meaning in windows-1252, and the decoder checked the rest
    const QByteArray name = charset.trimmed().toLatin1();
    QStringDecoder decoder(name.constData(), QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return QStringLiteral("the charset \"%1\" is not known").arg(charset);
    const QString decoded = decoder.decode(bytes); // the conversion runs on assignment
    if (decoder.hasError())
        return QStringLiteral("the page holds bytes that are not valid %1").arg(charset);
    return {};
}

} // namespace

void charsetMissing(const RuleContext& c, RawFindings& out) {
    if (hasBom(c.input.bytes) || !c.input.httpCharset.trimmed().isEmpty() || !declarations(c).isEmpty() ||
        declaredEarly(c.input.bytes))
        return;
    out.append({"charset-missing",
                QStringLiteral("No byte order mark, HTTP charset or <meta charset> declares the "
                               "encoding"),
                {}});
}

void charsetLate(const RuleContext& c, RawFindings& out) {
    const QList<const MarkupElement*> found = declarations(c);
    if (found.isEmpty() || hasBom(c.input.bytes) || declaredEarly(c.input.bytes))
        return;
    out.append({"charset-late",
                QStringLiteral("The charset declaration does not end within the first 1024 bytes"),
                found.first()->span});
}

void charsetMultiple(const RuleContext& c, RawFindings& out) {
    const QList<const MarkupElement*> found = declarations(c);
    for (qsizetype i = 1; i < found.size(); ++i)
        out.append({"charset-multiple",
                    QStringLiteral("Another charset declaration (%1); only the first one counts")
                        .arg(declaredBy(*found[i])),
                    found[i]->span});
}

void charsetMismatch(const RuleContext& c, RawFindings& out) {
    if (hasBom(c.input.bytes))
        return;
    const QList<const MarkupElement*> found = declarations(c);
    const QString http = c.input.httpCharset.trimmed();
    const QString meta = found.isEmpty() ? QString() : declaredBy(*found.first());
    if (!http.isEmpty() && !meta.isEmpty() && canonicalName(http) != canonicalName(meta))
        out.append({"charset-mismatch",
                    QStringLiteral("The page declares %1 but the server sends %2").arg(meta, http),
                    found.first()->span});
    const QString declared = http.isEmpty() ? meta : http;
    if (declared.isEmpty())
        return;
    const QString problem = decodingProblem(c.input.bytes, declared, c.decodedFrom);
    if (!problem.isEmpty())
        out.append({"charset-mismatch", problem.left(1).toUpper() + problem.mid(1),
                    http.isEmpty() ? found.first()->span : Span{}});
}

} // namespace headwise::audit::checks
