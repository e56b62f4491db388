#pragma once

// Recording stand-ins for the platform adapters: nothing blocks, everything
// asked is kept for the test to assert, and a prepared answer that is never
// used fails the test.

#include "net/pagefetcher.h"
#include "platform/filedialog.h"
#include "platform/keyring.h"
#include "platform/messagebox.h"
#include "platform/passwordprompt.h"
#include "platform/platform.h"
#include "platform/programstarter.h"
#include "platform/settingsstore.h"
#include "platform/shell.h"
#include "platform/textprompt.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace headwise::testing {

class MemorySettings : public SettingsStore {
public:
    QString read(const QString& key, const QString& fallback) override;
    void write(const QString& key, const QString& value) override;
    // Other groups are kept as "Group/Key".
    QString readIn(const QString& group, const QString& key, const QString& fallback) override;
    void writeIn(const QString& group, const QString& key, const QString& value) override;

    QMap<QString, QString> values;
    QStringList writtenKeys; // in the order of writing
    bool unreadable = false; // every read fails, as with a damaged store
};

struct ShownMessage {
    QString text;
    QString title;
    MessageIcon icon;
};

class RecordingMessageBoxes : public MessageBoxes {
public:
    void show(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) override;

    QList<ShownMessage> shown;
    std::function<void(const ShownMessage&)> onShow; // runs while the "modal" box is up
};

struct FileDialogRequest {
    enum Kind { Open, Save, Folder } kind;
    QString title;
    QString filter;
    QString proposedPath;
};

class ScriptedFileDialogs : public FileDialogs {
public:
    ~ScriptedFileDialogs() override;
    QString openFile(QWidget* parent, const QString& title, const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& title, const QString& proposedPath,
                     const QString& filter) override;
    QString openFolder(QWidget* parent, const QString& title) override;

    // The next dialog returns this name; an empty name is a cancel.
    void prepareAnswer(const QString& fileName) { answers.append(fileName); }

    QList<FileDialogRequest> requests;
    QStringList answers;

private:
    QString nextAnswer();
};

class RecordingShell : public Shell {
public:
    bool open(const QUrl& target) override;

    QList<QUrl> opened;
    bool succeeds = true;
};

// Hands out prepared page bodies (getPageSource, and fetchPage and
// fetchPageBytes as UTF-8 bytes declared UTF-8) and fetch results (fetch, and
// fetchPage and fetchPageBytes while any are prepared) in order; with none
// left the fetch fails, as a real one does when nothing arrives.
class ScriptedPageFetcher : public PageFetcher {
public:
    ~ScriptedPageFetcher() override;
    QString getPageSource(const QString& url, std::stop_token stop = {}) override;
    FetchResult fetch(const QString& url, std::stop_token stop = {}) override;
    FetchedPage fetchPage(const QString& url, std::stop_token stop = {}) override;
    FetchedBytes fetchPageBytes(const QString& url, std::stop_token stop = {}) override;

    void prepareBody(const QString& body) { bodies.append(body); }
    void prepareResult(const FetchResult& result) { results.append(result); }

    QStringList urls; // every address asked, by either call, in order
    QStringList bodies;
    QList<FetchResult> results;
    std::function<void(const QString& url)> duringFetch; // runs while the fetch "blocks"
};

class RecordingProgramStarter : public ProgramStarter {
public:
    QString locate(const QString& programName) override { return installed.value(programName); }
    bool start(const QString& programPath) override;

    QMap<QString, QString> installed; // program name -> path
    QStringList started;
    bool startSucceeds = true;
};

// A keyring in memory; with available false it answers Unavailable, as when
// no Secret Service runs. It answers at once or, with queued, through the
// event loop as the system's does, and then never to a destroyed context.
class MemoryKeyring : public Keyring {
public:
    void readPassword(const QString& key, QObject* context, ReadDone done) override;
    void writePassword(const QString& key, const QString& password, QObject* context, Done done) override;
    void deletePassword(const QString& key, QObject* context, Done done) override;

    QMap<QString, QString> passwords;
    bool available = true;
    bool queued = false;
    int reads = 0;
    int answered = 0; // answers delivered

private:
    void answer(QObject* context, std::function<void()> deliver);
    void tell(QObject* context, Done done, Result result);
};

// Answers password questions from a prepared list; with none left it cancels.
class ScriptedPasswordPrompt : public PasswordPrompt {
public:
    ~ScriptedPasswordPrompt() override;
    std::optional<QString> ask(QWidget* parent, const QString& title, const QString& label) override;

    QList<std::optional<QString>> answers;
    QStringList labels; // every question asked
};

struct TextQuestion {
    QString title, label, proposed;
};

// Answers text questions from a prepared list; with none left it cancels.
class ScriptedTextPrompt : public TextPrompt {
public:
    ~ScriptedTextPrompt() override;
    std::optional<QString> ask(QWidget* parent, const QString& title, const QString& label,
                               const QString& proposed) override;

    QList<std::optional<QString>> answers;
    QList<TextQuestion> asked;
};

// One of each double, and the platform a window is given made of them.
struct PlatformDoubles {
    Platform platform() { return platform(settings, fetcher); }
    // A test on a real store or a real fetch hands it in in place of the double.
    Platform platform(SettingsStore& store) { return platform(store, fetcher); }
    Platform platform(PageFetcher& pageFetcher) { return platform(settings, pageFetcher); }
    Platform platform(SettingsStore& store, PageFetcher& pageFetcher) {
        return {store,       messages, files,           shell,
                pageFetcher, programs, absentKeyring(), cancellingPasswordPrompt(),
                questions};
    }

    MemorySettings settings;
    RecordingMessageBoxes messages;
    ScriptedFileDialogs files;
    RecordingShell shell;
    ScriptedPageFetcher fetcher;
    RecordingProgramStarter programs;
    ScriptedTextPrompt questions;
};

} // namespace headwise::testing
