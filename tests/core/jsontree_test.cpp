// The JSON-LD blocks' own reader against Qt's parser: what it reads must be
// the tree Qt's parser gives, and what it leaves to Qt only the rare cases.

#include "core/audit/model/jsontree.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace headwise::audit {
namespace {

QString dump(const JsonTree& tree, int index) {
    const JsonTree::Value& v = tree.at(index);
    QString out = QString::number(int(v.kind)) + u'\'' + v.text + u'\'';
    for (int i = 0; i < v.count; ++i) {
        if (v.kind == JsonTree::Kind::Object)
            out += u" " + QString::fromUtf8(tree.members(v)[i].key) + u':' +
                   dump(tree, tree.members(v)[i].value);
        else
            out += u" " + dump(tree, tree.elements(v)[i]);
    }
    return out + u';';
}

QString dumpOfQt(const QByteArray& text) {
    const QJsonDocument document = QJsonDocument::fromJson(text);
    JsonTree tree;
    tree.take(document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object()));
    return dump(tree, tree.root());
}

TEST(JsonTree, ReadsAsQtsParserReads) {
    QByteArray wide = "{";
    for (int i = 40; i > 0; --i)
        wide += "\"k" + QByteArray::number(i % 23) + "\":" + QByteArray::number(i) + (i > 1 ? "," : "}");
    // More short texts than the tree keeps of recent ones, each twice, and empty ones between.
    QByteArray texts = "[";
    for (int i = 0; i < 1200; ++i)
        texts += "\"v" + QByteArray::number(i % 600) + "\",\"\",";
    texts += "\"Offer\"]";
    const struct {
        QByteArray text;
        bool ours; // read without Qt's parser
    } rows[] = {
        {R"( {"b":1,"a":{"@type":"Offer","price":"9.50"},"B":[true,false,null],"a":2} )", true},
        {R"([1, -0, 4.50, 1e3, 1E-7, 0.1, 123456789012345678, -0.0, 2.5E+2, 9007199254740993])", true},
        {R"({"s":"\"\\\/\b\f\n\r\t\u00e9\u20ac\u0000", "t":"é€ü", "":""})", true},
        {wide, true},
        {texts, true},
        {R"({"emoji":"\ud83d\ude00","lone":"\ud83d"})", false},
        // Past the first sixteen bytes of a string: text outside ASCII, an escape, the end.
        {R"({"long":"0123456789abcdefghijé€ and \"quoted\" 0123456789abcdef","n":"0123456789abcdef"})", true},
        {"{\"raw\":\"a\tb\"}", false},
        {"{\"raw\":\"0123456789abcdefghij\x01\"}", false},
        {R"({"é":1,"e":2})", false},
        {R"([12345678901234567890, 1234567890123456789])", false},
        {"\xef\xbb\xbf{\"bom\":1}", false},
        {QByteArray(600, '[') + QByteArray(600, ']'), false},
    };
    JsonTree tree; // one for all, as a page's blocks are read
    for (const auto& row : rows) {
        ASSERT_EQ(tree.read(row.text), row.ours) << row.text.left(60).constData();
        if (row.ours)
            EXPECT_EQ(dump(tree, tree.root()), dumpOfQt(row.text)) << row.text.left(60).constData();
    }
}

TEST(JsonTree, LeavesWhatIsNotJsonToQtsParser) {
    for (const char* text : {"", "42", "\"s\"", "{\"a\":1} x", "{\"a\":1,}", "[1,]", "{\"a\" 1}", "[01]",
                             "[1.]", "[tru]", "{\"a\":\"x}", "[1e400]", "{'a':1}"}) {
        JsonTree tree;
        EXPECT_FALSE(tree.read(text)) << text;
    }
}

} // namespace
} // namespace headwise::audit
