#include "core/audit/report/jsonwriter.h"

#include <algorithm>

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
    // Written through a pointer into room for the most the text can take
    // (six bytes a unit, for \u001f): a report is mostly messages, addresses
    // and sources, and an append for each escape cost more than the rest.
    const qsizetype at = out_.size();
    const qsizetype n = text.size();
    out_.resize(at + 6 * n + 2);
    char* const start = out_.data() + at;
    char* to = start;
    *to++ = '"';
    for (qsizetype i = 0; i < n;) {
        const char16_t u = text[i].unicode();
        if (u >= 0x80) {
            // A run outside ASCII goes out as UTF-8 whole, its surrogate pairs together.
            qsizetype end = i + 1;
            while (end < n && text[end].unicode() >= 0x80)
                ++end;
            const QByteArray utf8 = text.sliced(i, end - i).toUtf8();
            to = std::copy(utf8.cbegin(), utf8.cend(), to);
            i = end;
            continue;
        }
        ++i;
        if (u >= 0x20 && u != u'"' && u != u'\\') {
            *to++ = char(u);
            continue;
        }
        *to++ = '\\';
        switch (u) {
        case u'"':
            *to++ = '"';
            break;
        case u'\\':
            *to++ = '\\';
            break;
        case u'\n':
            *to++ = 'n';
            break;
        case u'\r':
            *to++ = 'r';
            break;
        case u'\t':
            *to++ = 't';
            break;
        default:
            to = std::copy_n("u00", 3, to);
            *to++ = hex[u >> 4];
            *to++ = hex[u & 15];
        }
    }
    *to++ = '"';
    out_.truncate(at + (to - start));
}

} // namespace headwise::audit
