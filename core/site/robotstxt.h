#pragma once

#include <QByteArray>
#include <QList>
#include <QStringView>

#include "core/web/weburl.h"

namespace headwise {

// A line of a robots.txt that crawlers cannot read as it was meant.
struct RobotsTxtProblem {
    int line = 0; // 1-based; CR LF, LF and lone CR each end a line
    QString text; // the line as written
    QString message;
    bool operator==(const RobotsTxtProblem&) const = default;
};

struct RobotsTxtCheck {
    QList<RobotsTxtProblem> problems; // by line, at most one a line
    // The file is longer than crawlers read: the lines past the limit were not checked.
    bool cut = false;
    int linesRead = 0;
};

// Each line of the part of the file crawlers read that they would skip or
// misread: a line that is no "field: value", a field no crawler knows, a
// user-agent without a name, an allow or disallow before any user-agent or
// whose pattern starts with neither "/" nor "*" or has "$" before its end, a
// sitemap that is no absolute http, https or ftp address. One pass.
RobotsTxtCheck checkRobotsTxt(const QByteArray& text);

// The rules of a robots.txt file that apply to one crawler: the groups naming
// its product token, else the "*" groups, combined. Any text parses; lines that
// mean nothing are skipped, and a file of garbage allows everything.
class RobotsRules {
public:
    // Everything allowed, as for a site without a robots.txt.
    RobotsRules() = default;

    // Anything past this many bytes is not read, as large crawlers do.
    static constexpr qsizetype kMaxBytes = 500 * 1024;

    static RobotsRules parse(const QByteArray& text, QStringView productToken = u"Headwise");
    // For a site whose robots.txt could not be had (a server error): nothing may be fetched.
    static RobotsRules disallowAll();

    // The longest matching pattern decides, Allow winning a tie; no match allows.
    bool allows(const web::WebUrl& url) const;
    bool allowsPath(const QByteArray& encodedPathAndQuery) const;

private:
    // A pattern cut at its "*"s, percent escapes decoded; "$" at its end anchors it.
    struct Rule {
        QList<QByteArray> pieces;
        bool anchored = false;
        qsizetype length = 0; // of the pattern as written: the longer one is the more specific
        bool allow = false;
    };
    static Rule makeRule(QByteArrayView pattern, bool allow);
    static bool matches(const Rule& rule, QByteArrayView path);

    QList<Rule> rules_;
};

} // namespace headwise
