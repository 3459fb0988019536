#include "app/gallery/run_gallery.h"

#include "app/gallery/gallery_application.h"
#include "app/script/injecting_window.h"
#include "app/script/run_script.h"
#include "app/script/script_player.h"
#include "platform/desktop_dialogs.h"
#include "platform/scripted_dialogs.h"
#include "platform/window.h"

#include <memory>

namespace {

std::unique_ptr<platform::Window> openWindow(bool headless, std::FILE* messages) {
    if (!headless) {
        if (std::unique_ptr<platform::Window> window = platform::createSdlWindow()) return window;
        std::fprintf(messages, "plastora: no display could be used: the gallery runs headless\n");
    }
    return std::make_unique<platform::HeadlessWindow>(GalleryApplication::kWidth, GalleryApplication::kHeight);
}

int runInteractively(platform::Window& window, const GalleryRunOptions& options, std::FILE* output,
                     std::FILE* messages) {
    DesktopDialogs dialogs(&window);
    GalleryApplication application(window, options.applicationDirectory, dialogs, dialogs, output);
    if (!application.init()) {
        std::fprintf(messages, "plastora: the window or its drawing device could not be set up\n");
        return kScriptRunFailed;
    }
    application.run();
    return kScriptRunOk;
}

// Plays the script into the gallery; false when the loop ended before the
// script did.
bool play(GalleryApplication& application, ScriptPlayer& player) {
    player.beforeFrame(application.device());
    while (application.runPass()) {
        player.afterFrame(application.device());
        player.beforeFrame(application.device());
    }
    return player.isFinished();
}

int runScripted(platform::Window& window, Script script, const GalleryRunOptions& options, std::FILE* output,
                std::FILE* messages) {
    InjectingWindow injecting(window);
    ScriptedDialogs dialogs;
    GalleryApplication application(injecting, options.applicationDirectory, dialogs, dialogs, output);
    if (!application.init()) {
        std::fprintf(messages, "plastora: the window or its drawing device could not be set up\n");
        return kScriptRunFailed;
    }
    application.setNoWait(true);
    // The gallery always ends with its script: it is run for screenshots.
    ScriptPlayer player(std::move(script), dialogs,
                        [&injecting](const platform::WindowMessage& message) { injecting.inject(message); }, true,
                        output);
    const bool finished = play(application, player);
    const int unfinishedLine = player.nextLine();
    application.shutDown();

    int result = kScriptRunOk;
    for (const std::string& error : player.errors()) {
        std::fprintf(messages, "plastora: %s\n", error.c_str());
        result = kScriptRunFailed;
    }
    if (!finished) {
        std::fprintf(messages, "plastora: the gallery ended before the script did (line %d was next)\n",
                     unfinishedLine);
        result = kScriptRunFailed;
    }
    for (const DialogCall& call : dialogs.calls()) {
        if (call.unexpected)
            std::fprintf(messages, "plastora: warning: the dialog \"%s\" found no fitting answer and was cancelled\n",
                         call.caption.text());
    }
    return result;
}

}  // namespace

int runGallery(const GalleryRunOptions& options, std::FILE* output, std::FILE* messages) {
    // A bad script is refused before any window opens.
    ScriptParseResult parsed;
    if (!options.scriptPath.empty()) {
        parsed = loadScriptFile(options.scriptPath);
        if (!parsed.ok) {
            std::fprintf(messages, "plastora: %s\n", parsed.error.c_str());
            return kScriptRunBadScript;
        }
    }
    std::unique_ptr<platform::Window> window = openWindow(options.headless, messages);
    if (options.scriptPath.empty()) {
        if (!window->isReal()) {
            std::fprintf(messages, "plastora: the gallery needs a display unless it runs a script\n");
            return kScriptRunFailed;
        }
        return runInteractively(*window, options, output, messages);
    }
    return runScripted(*window, std::move(parsed.script), options, output, messages);
}
