// The window program: its own arguments looked at first, one copy per user, the settings file
// loaded before the window is built, and SIGTERM / SIGINT closing the window the same way the
// operator does.
#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <optional>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>

#include "platform/FileSystem.h"
#include "platform/Memory.h"
#include "platform/Trace.h"
#include "ui/CaplinForm.h"
#include "ui/WindowCommandLine.h"

namespace {

int signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: the window hears of it through the pipe.
void OnStopSignal(int signal) {
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
}

bool InstallStopSignals() {
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(SIGTERM, &action, nullptr) == 0 && sigaction(SIGINT, &action, nullptr) == 0;
}

} // namespace

int main(int argc, char* argv[]) {
    // Before the lock and before Qt: help and the version need neither a free lock nor a
    // display.
    if (const std::optional<int> status = HandleWindowArguments(argc, argv, std::cout, std::cerr))
        return *status;

    KeepFreedMemory();
    TInstanceLock instance;
    if (!instance.Acquire("Caplin")) {
        Trace("vlm: ShowMessage - Caplin is allready running!");
        QApplication app(argc, argv);
        QMessageBox box(QMessageBox::Critical, "Error", "Caplin is allready running!",
                        QMessageBox::Ok);
        box.exec();
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("Caplin");
    QApplication::setApplicationDisplayName("Caplin");

    TCaplinForm form;
    if (!form.Session().LoadSettingsFile())
        form.SettingsFileNotRead(form.Session().SettingsPath());
    if (InstallStopSignals()) {
        auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &form);
        QObject::connect(notifier, &QSocketNotifier::activated, &form, [&form] {
            unsigned char byte = 0;
            while (read(signalPipe[0], &byte, 1) == 1) {
            }
            form.CloseWithoutQuestion();
        });
    }
    form.show();
    return app.exec();
}
