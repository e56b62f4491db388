#pragma once

#include "platform/keyring.h"
#include "platform/passwordprompt.h"

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
    // Only the mail server's password needs these; a window built without
    // them has no keyring and cancels every password question.
    Keyring& keyring = absentKeyring();
    PasswordPrompt& passwords = cancellingPasswordPrompt();
};

} // namespace headwise
