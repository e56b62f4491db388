#include "core/audit/report/jsonwriter.h"

namespace headwise::audit {

void JsonWriter::key(QStringView name) {
    beforeValue();
    string(name);
    out_ += ": ";
    afterKey_ = true;
}

void JsonWriter::value(QStringView text) {
    beforeValue();
    string(text);
}

void JsonWriter::value(qint64 number) {
    beforeValue();
    out_ += QByteArray::number(number);
}

void JsonWriter::boolean(bool truth) {
    beforeValue();
    out_ += truth ? "true" : "false";
}

void JsonWriter::null() {
    beforeValue();
    out_ += "null";
}

void JsonWriter::element(QByteArrayView written) {
    beforeValue();
    out_ += written;
}

void JsonWriter::open(char bracket) {
    beforeValue();
    out_ += bracket;
    hasItems_.append(false);
}

void JsonWriter::close(char bracket) {
    const bool hadItems = hasItems_.takeLast();
    if (hadItems)
        newline();
    out_ += bracket;
    if (hasItems_.isEmpty())
        out_ += '\n';
}

void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (hasItems_.isEmpty())
        return;
    if (hasItems_.last())
        out_ += ',';
    hasItems_.last() = true;
    newline();
}

void JsonWriter::newline() {
    out_ += '\n';
    out_.append(2 * hasItems_.size(), ' ');
}

void JsonWriter::string(QStringView text) {
    static const char hex[] = "0123456789abcdef";
    // The text between the characters to escape goes out in one piece, not a
    // character at a time: a site's report is mostly messages and addresses.
    const auto flush = [&](QStringView run, bool ascii) {
        if (!ascii) {
            out_ += run.toUtf8();
            return;
        }
        const qsizetype at = out_.size();
        out_.resize(at + run.size());
        char* to = out_.data() + at;
        for (const QChar c : run)
            *to++ = char(c.unicode());
    };
    out_ += '"';
    qsizetype from = 0;
    bool ascii = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u >= 0x20 && u != u'"' && u != u'\\') {
            ascii = ascii && u < 0x80;
            continue;
        }
        flush(text.sliced(from, i - from), ascii);
        from = i + 1;
        ascii = true;
        switch (u) {
        case u'"':
            out_ += "\\\"";
            break;
        case u'\\':
            out_ += "\\\\";
            break;
        case u'\n':
            out_ += "\\n";
            break;
        case u'\r':
            out_ += "\\r";
            break;
        case u'\t':
            out_ += "\\t";
            break;
        default:
            out_ += "\\u00";
            out_ += hex[u >> 4];
            out_ += hex[u & 15];
        }
    }
    flush(text.sliced(from), ascii);
    out_ += '"';
}

} // namespace headwise::audit
