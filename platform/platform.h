#pragma once

#include "platform/keyring.h"
#include "platform/passwordprompt.h"
#include "platform/textprompt.h"

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
    // Questions a window asks in a line of text (Page Check's base address);
    // a window built without cancels them.
    TextPrompt& questions = cancellingTextPrompt();
};

} // namespace headwise
