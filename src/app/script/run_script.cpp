#include "app/script/run_script.h"

#include "app/script/application_script_host.h"
#include "app/script/hand_over_dialogs.h"
#include "app/script/injecting_window.h"
#include "app/script/script_player.h"
#include "app/shell/application_main.h"
#include "app/shell/run_application.h"
#include "platform/desktop_dialogs.h"
#include "platform/scripted_dialogs.h"

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

// Screen size of the headless window (the program's window takes it unless
// config.xml sets a size).
constexpr int kHeadlessScreenWidth = 1280;
constexpr int kHeadlessScreenHeight = 800;

// Attempts at opening the real window while a display is named: a busy X
// server refuses connections for a moment when its queue is full.
constexpr int kWindowAttempts = 5;
constexpr int kWindowRetryMilliseconds = 100;

bool displayNamed() { return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr; }

std::unique_ptr<platform::Window> openRealWindow() {
    for (int attempt = 1;; ++attempt) {
        if (std::unique_ptr<platform::Window> window = platform::createSdlWindow()) return window;
        if (!displayNamed() || attempt == kWindowAttempts) return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(kWindowRetryMilliseconds));
    }
}

std::unique_ptr<platform::Window> openWindow(bool headless, std::FILE* messages) {
    if (!headless) {
        if (std::unique_ptr<platform::Window> window = openRealWindow()) return window;
        std::fprintf(messages,
                     "plastora: no display could be used: the script runs headless (screenshots show only the "
                     "cleared frame)\n");
    }
    return std::make_unique<platform::HeadlessWindow>(kHeadlessScreenWidth, kHeadlessScreenHeight);
}

// What the user gets once the script has ended on a real window: the
// desktop's dialogs, and a loop that waits for input again.
struct UserHandOver {
    HandOverDialogs& dialogs;
    DesktopDialogs* desktop;  // null headless: nobody takes over
};

// Plays the script until the program's loop ends; false when the loop ended
// before the script did.
bool play(ApplicationMain& application, ScriptPlayer& player, UserHandOver handOver) {
    player.beforeFrame(application.device());
    while (application.runPass()) {
        player.afterFrame(application.device());
        if (player.isFinished() && handOver.desktop != nullptr && !handOver.dialogs.isHandedOver()) {
            handOver.dialogs.handOver(*handOver.desktop, *handOver.desktop);
            application.setNoWait(false);
        }
        player.beforeFrame(application.device());
    }
    return player.isFinished();
}

void reportDialogs(const ScriptedDialogs& dialogs, std::FILE* messages) {
    for (const DialogCall& call : dialogs.calls()) {
        if (!call.unexpected) continue;
        std::fprintf(messages, "plastora: warning: the dialog \"%s\" found no fitting answer and was cancelled\n",
                     call.caption.text());
    }
    if (dialogs.pendingAnswers() > 0) {
        std::fprintf(messages, "plastora: warning: %d dialog answer(s) of the script were never used\n",
                     dialogs.pendingAnswers());
    }
}

}  // namespace

int runScript(const ScriptRunOptions& options, std::FILE* output, std::FILE* messages) {
    ScriptParseResult parsed = loadScriptFile(options.scriptPath);
    if (!parsed.ok) {
        std::fprintf(messages, "plastora: %s\n", parsed.error.c_str());
        return kScriptRunBadScript;
    }

    std::unique_ptr<platform::Window> window = openWindow(options.headless, messages);
    InjectingWindow injecting(*window);
    ScriptedDialogs dialogs;
    HandOverDialogs shownDialogs(dialogs, dialogs);
    const bool realWindow = window->isReal();
    std::unique_ptr<DesktopDialogs> desktopDialogs =
        realWindow ? std::make_unique<DesktopDialogs>(window.get()) : nullptr;
    std::unique_ptr<ApplicationMain> application =
        startApplication(injecting, options.applicationDirectory, shownDialogs, shownDialogs,
                         options.settingsDirectory);
    if (!application->isInitialised()) {
        std::fprintf(messages, "plastora: the window or its drawing device could not be set up\n");
        return kScriptRunFailed;
    }
    // While the script runs, frames follow each other without waiting for input.
    application->setNoWait(true);

    ScriptPlayer player(std::move(parsed.script), dialogs,
                        [&injecting](const platform::WindowMessage& message) { injecting.inject(message); },
                        !realWindow, output);
    ApplicationScriptHost host(*application);
    player.setHost(&host);
    const bool finished = play(*application, player, UserHandOver{shownDialogs, desktopDialogs.get()});
    const int unfinishedLine = player.nextLine();
    application->shutDown();
    application.reset();

    int result = kScriptRunOk;
    for (const std::string& error : player.errors()) {
        std::fprintf(messages, "plastora: %s\n", error.c_str());
        result = kScriptRunFailed;
    }
    if (!finished) {
        std::fprintf(messages, "plastora: the program ended before the script did (line %d was next)\n",
                     unfinishedLine);
        result = kScriptRunFailed;
    }
    reportDialogs(dialogs, messages);
    return result;
}
