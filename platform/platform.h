#pragma once

namespace headwise {

class SettingsStore;
class MessageBoxes;
class FileDialogs;
class Shell;
class PageFetcher;
class ProgramStarter;

// The outside world as the windows see it; tests hand in recording doubles.
struct Platform {
    SettingsStore& settings;
    MessageBoxes& messages;
    FileDialogs& files;
    Shell& shell;
    PageFetcher& fetcher;
    ProgramStarter& programs;
};

} // namespace headwise
