// Any robots.txt parses and is checked without harm, and a single rule decides
// exactly as a plain backtracking match of its pattern would.

#include "core/site/robotstxt.h"
#include "require.h"

#include <algorithm>
#include <string_view>

using namespace headwise;

// "*" any run of bytes, "$" at the very end the end of the path; slow but obviously right.
static bool slowMatch(std::string_view pattern, std::string_view path) {
    if (pattern.empty())
        return true;
    if (pattern == "$")
        return path.empty();
    if (pattern[0] == '*') {
        for (size_t skip = 0; skip <= path.size(); ++skip)
            if (slowMatch(pattern.substr(1), path.substr(skip)))
                return true;
        return false;
    }
    return !path.empty() && pattern[0] == path[0] && slowMatch(pattern.substr(1), path.substr(1));
}

static bool plainByte(char c) {
    return c != '%' && c != '#' && c != '\n' && c != '\r' && c != ' ' && c != '\t' && c != '\0' &&
           c != '\x01';
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const RobotsRules rules = RobotsRules::parse(bytes);
    require(rules.allowsPath("/robots.txt"));
    for (const char* path : {"/", "/a", "/a/b?c=d", ""})
        rules.allowsPath(path);

    // The line checks: at most one problem a line, in order, each at a line that was read,
    // which holds what the problem quotes; a file is cut only when it is longer than is read.
    const RobotsTxtCheck check = checkRobotsTxt(bytes);
    require(check.cut == (bytes.size() > RobotsRules::kMaxBytes));
    require(check.problems.size() <= check.linesRead);
    int previous = 0;
    for (const RobotsTxtProblem& p : check.problems) {
        require(p.line > previous && p.line <= check.linesRead && !p.message.isEmpty());
        require(!p.text.contains(u'\n') && !p.text.contains(u'\r'));
        previous = p.line;
    }

    // Short inputs, split at the first "|": a Disallow pattern and a path of plain bytes.
    const qsizetype bar = bytes.indexOf('|');
    if (bar < 0 || size > 64 || bytes.count('*') > 4) // the slow match stays fast enough
        return 0;
    const QByteArray pattern = bytes.left(bar);
    const QByteArray path = "/" + bytes.mid(bar + 1);
    if (pattern.isEmpty() ||
        !std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == '|' || plainByte(c); }) ||
        path.contains('|') || path == "/robots.txt")
        return 0;
    const bool blocked = !RobotsRules::parse("User-agent: *\nDisallow: " + pattern).allowsPath(path);
    // A "$" anywhere but at the end is a plain byte: both sides write it as \x01.
    std::string expected = pattern.toStdString();
    const bool anchored = !expected.empty() && expected.back() == '$';
    std::string literal;
    for (size_t i = 0; i < expected.size(); ++i)
        literal += (expected[i] == '$' && !(anchored && i + 1 == expected.size()))
                       ? std::string("\x01")
                       : std::string(1, expected[i]);
    std::string subject = path.toStdString();
    for (char& c : subject)
        if (c == '$')
            c = '\x01';
    require(blocked == slowMatch(literal, subject));
    return 0;
}
