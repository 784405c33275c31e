#pragma once

namespace vemora {

class Session;
class Prompter;
class FileDialogs;
class Shell;
class Registry;
class MediaPlayerFactory;
class TransferDialogs;
class Spelling;

// What every window gets from the platform. Production wires the Qt implementations;
// tests wire scripted doubles.
struct Platform {
    Session& session;
    Prompter& prompter;
    FileDialogs& files;
    Shell& shell;
    Registry* registry = nullptr;
    MediaPlayerFactory* media = nullptr;
    TransferDialogs* transfer = nullptr;
    // The logged-in user's spell checking; none where nothing is checked.
    Spelling* spelling = nullptr;
};

}  // namespace vemora
