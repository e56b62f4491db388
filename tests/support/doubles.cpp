#include "doubles.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace headwise::testing {

QString MemorySettings::read(const QString& key, const QString& fallback) {
    if (unreadable)
        return fallback;
    return values.value(key, fallback);
}

void MemorySettings::write(const QString& key, const QString& value) {
    values.insert(key, value);
    writtenKeys.append(key);
}

QString MemorySettings::readIn(const QString& group, const QString& key, const QString& fallback) {
    return read(group + QLatin1Char('/') + key, fallback);
}

void MemorySettings::writeIn(const QString& group, const QString& key, const QString& value) {
    write(group + QLatin1Char('/') + key, value);
}

void RecordingMessageBoxes::show(QWidget*, const QString& text, const QString& title, MessageIcon icon) {
    shown.append({text, title, icon});
    if (onShow)
        onShow(shown.constLast());
}

ScriptedFileDialogs::~ScriptedFileDialogs() {
    if (!answers.isEmpty())
        ADD_FAILURE() << "prepared file dialog answers never used: " << answers.join(", ").toStdString();
}

QString ScriptedFileDialogs::nextAnswer() {
    return answers.isEmpty() ? QString() : answers.takeFirst();
}

QString ScriptedFileDialogs::openFile(QWidget*, const QString& title, const QString& filter) {
    requests.append({FileDialogRequest::Open, title, filter, {}});
    return nextAnswer();
}

QString ScriptedFileDialogs::saveFile(QWidget*, const QString& title, const QString& proposedPath,
                                      const QString& filter) {
    requests.append({FileDialogRequest::Save, title, filter, proposedPath});
    return nextAnswer();
}

QString ScriptedFileDialogs::openFolder(QWidget*, const QString& title) {
    requests.append({FileDialogRequest::Folder, title, {}, {}});
    return nextAnswer();
}

bool RecordingShell::open(const QUrl& target) {
    opened.append(target);
    return succeeds;
}

ScriptedPageFetcher::~ScriptedPageFetcher() {
    if (!bodies.isEmpty())
        ADD_FAILURE() << "prepared page bodies never fetched: " << bodies.size();
    if (!results.isEmpty())
        ADD_FAILURE() << "prepared fetch results never fetched: " << results.size();
}

QString ScriptedPageFetcher::getPageSource(const QString& url, std::stop_token) {
    urls.append(url);
    if (duringFetch)
        duringFetch(url);
    return bodies.isEmpty() ? QString() : bodies.takeFirst();
}

FetchedPage ScriptedPageFetcher::fetchPage(const QString& url, std::stop_token stop) {
    if (!results.isEmpty())
        return PageFetcher::fetchPage(url, std::move(stop));
    const QString body = getPageSource(url);
    if (body.isEmpty())
        return {};
    return {.page = decodePage(body.toUtf8(), "utf-8"), .status = 200, .charset = "utf-8", .headers = {}};
}

FetchedBytes ScriptedPageFetcher::fetchPageBytes(const QString& url, std::stop_token stop) {
    if (!results.isEmpty())
        return PageFetcher::fetchPageBytes(url, std::move(stop));
    return {true, getPageSource(url).toUtf8(), "utf-8"};
}

FetchResult ScriptedPageFetcher::fetch(const QString& url, std::stop_token) {
    urls.append(url);
    if (duringFetch)
        duringFetch(url);
    if (!results.isEmpty())
        return results.takeFirst();
    FetchResult nothing;
    nothing.error = QStringLiteral("no answer");
    return nothing;
}

bool RecordingProgramStarter::start(const QString& programPath) {
    started.append(programPath);
    return startSucceeds;
}

void MemoryKeyring::answer(QObject* context, std::function<void()> deliver) {
    auto counted = [this, deliver = std::move(deliver)] {
        ++answered;
        deliver();
    };
    if (queued)
        QMetaObject::invokeMethod(context ? context : qApp, std::move(counted), Qt::QueuedConnection);
    else
        counted();
}

void MemoryKeyring::tell(QObject* context, Done done, Result result) {
    answer(context, [done = std::move(done), result] {
        if (done)
            done(result);
    });
}

void MemoryKeyring::readPassword(const QString& key, QObject* context, ReadDone done) {
    ++reads;
    const Result result = !available                ? Result::Unavailable
                          : passwords.contains(key) ? Result::Done
                                                    : Result::NotFound;
    answer(context,
           [done = std::move(done), result, password = passwords.value(key)] { done(result, password); });
}

void MemoryKeyring::writePassword(const QString& key, const QString& password, QObject* context, Done done) {
    if (available)
        passwords.insert(key, password);
    tell(context, std::move(done), available ? Result::Done : Result::Unavailable);
}

void MemoryKeyring::deletePassword(const QString& key, QObject* context, Done done) {
    const bool removed = available && passwords.remove(key);
    tell(context, std::move(done),
         !available ? Result::Unavailable
         : removed  ? Result::Done
                    : Result::NotFound);
}

ScriptedPasswordPrompt::~ScriptedPasswordPrompt() {
    if (!answers.isEmpty())
        ADD_FAILURE() << answers.size() << " prepared password answers never used";
}

std::optional<QString> ScriptedPasswordPrompt::ask(QWidget*, const QString&, const QString& label) {
    labels.append(label);
    return answers.isEmpty() ? std::nullopt : answers.takeFirst();
}

ScriptedTextPrompt::~ScriptedTextPrompt() {
    if (!answers.isEmpty())
        ADD_FAILURE() << answers.size() << " prepared text answers never used";
}

std::optional<QString> ScriptedTextPrompt::ask(QWidget*, const QString& title, const QString& label,
                                               const QString& proposed) {
    asked.append({title, label, proposed});
    return answers.isEmpty() ? std::nullopt : answers.takeFirst();
}

} // namespace headwise::testing
