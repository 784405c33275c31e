#pragma once

namespace vemora {

class Session;
class Prompter;
class FileDialogs;
class Shell;
class Registry;
class MediaPlayerFactory;
class TransferDialogs;

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
};

}  // namespace vemora
