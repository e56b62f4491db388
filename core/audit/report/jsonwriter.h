#pragma once

#include <QByteArray>
#include <QList>
#include <QStringView>

namespace headwise::audit {

// Writes JSON in the order the caller gives, two spaces per level: the reports
// promise their keys in a fixed order, which QJsonObject does not keep.
class JsonWriter {
public:
    explicit JsonWriter(QByteArray& out) : out_(out) {}
    // For values that go in a writer's open object or array `depth` levels
    // down, made apart (on another thread) and put in with element().
    JsonWriter(QByteArray& out, qsizetype depth) : out_(out), hasItems_(depth, true), afterKey_(true) {}

    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    void key(QStringView name);
    void value(QStringView text);
    void value(qint64 number);
    void value(int number) { value(qint64(number)); }
    void boolean(bool truth);
    void null();
    // What goes before a value that another writer made for this place, which
    // the caller puts after the output so far.
    void elementFollows() { beforeValue(); }

private:
    void open(char bracket);
    void close(char bracket);
    void beforeValue();
    void newline();
    // Makes room for what goes before a value and `most` bytes more, writes the
    // former and returns where the value goes; finish() ends the output there.
    char* start(qsizetype most);
    void finish(const char* end);
    static char* writeString(char* to, QStringView text);

    QByteArray& out_;
    QList<bool> hasItems_; // one entry per open object or array
    bool afterKey_ = false;
};

} // namespace headwise::audit
