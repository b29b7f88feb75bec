#pragma once
// The services of the platform in use. The program entry installs the backend's services;
// a test replaces any of them with its own (one that fails on the third file, say) and
// restores them afterwards.

namespace platform {

class FileSystem;
class System;
class Shell;
class Dialogs;
class Security;

struct Services {
    FileSystem* files = nullptr;
    System* system = nullptr;
    Shell* shell = nullptr;
    Dialogs* dialogs = nullptr;
    Security* security = nullptr;
};

// The services in force. Before anything is installed they are the backend's defaults.
Services& Current();
FileSystem& Files();
System& Machine();
Shell& ShellServices();
Dialogs& UserDialogs();
Security& SecurityServices();

// Replaces the services for the lifetime of this object and restores the previous ones. A
// member left null in the replacement keeps the service in force.
class ScopedServices {
public:
    explicit ScopedServices(const Services& replacement);
    ~ScopedServices();
    ScopedServices(const ScopedServices&) = delete;
    ScopedServices& operator=(const ScopedServices&) = delete;

private:
    Services previous_;
};

// The backend's own services (defined in win32/ or posix/). Their dialogs member is null:
// UserDialogs() then answers with the dialogs installed by SetDefaultDialogs.
Services DefaultServices();

// Installs the dialogs that UserDialogs() uses when the services in force name none (the UI
// toolkit calls this once it is ready); nullptr goes back to the fallback, which answers every
// message box with its default button and fails both pickers, so that code below the windows
// (the dezip tool, say) runs without a UI.
void SetDefaultDialogs(Dialogs* dialogs);

}  // namespace platform
