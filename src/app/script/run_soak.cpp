#include "app/script/run_soak.h"

#include "app/script/application_script_host.h"
#include "app/script/injecting_window.h"
#include "app/script/script_player.h"
#include "app/script/soak.h"
#include "app/shell/application_main.h"
#include "app/shell/run_application.h"
#include "platform/scripted_dialogs.h"
#include "platform/window.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <functional>
#include <iterator>
#include <optional>
#include <thread>
#include <utility>

// Present when the program runs under the sanitizers: called before they end
// the program after a report.
extern "C" void __sanitizer_set_death_callback(void (*callback)(void)) __attribute__((weak));

namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 800;
// A sculpting or texturing run that a step's `wait idle` has waited on this
// long is stopped with ESC (again each time this long passes), so that a
// session of many steps stays short whatever the sliders were set to. (A stopped run changes nothing, so a
// replay that stops it at once ends in the same state.)
constexpr auto kLongestRun = std::chrono::seconds(1);

bool runsObject(const std::string& running) {
    return running.find("Sculpture") != std::string::npos || running.find("Texturise") != std::string::npos;
}

// --- the files a session hands the program ---------------------------------------

void writeText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Pictures and the project of the bundled sample, and files that are no use:
// text named like a picture, a cut-off picture, empty files, a broken
// project, a name that does not exist.
SoakFiles prepareFiles(const std::filesystem::path& folder, const String& applicationDirectory) {
    SoakFiles files;
    files.folder = folder.string();
    const std::filesystem::path sample = std::filesystem::path(applicationDirectory.text()) / "data" / "sample";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(sample / "pictures", error)) {
        files.pictures.push_back(entry.path().string());
    }
    std::sort(files.pictures.begin(), files.pictures.end());
    if (std::filesystem::exists(sample / "sample.qz", error)) files.projects.push_back((sample / "sample.qz").string());

    writeText(folder / "not a picture.png", "These are words, not pixels.\n");
    writeText(folder / "empty.bmp", "");
    writeText(folder / "notes.txt", "notes\n");
    writeText(folder / "broken.qz", "<project><images>7</im");
    writeText(folder / "empty.qz", "");
    if (!files.pictures.empty()) {
        std::ifstream source(files.pictures.front(), std::ios::binary);
        std::string head(200, '\0');
        source.read(head.data(), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<size_t>(source.gcount()));
        writeText(folder / "cut off.png", head);
        files.junk.push_back((folder / "cut off.png").string());
    }
    for (const char* name : {"not a picture.png", "empty.bmp", "notes.txt", "missing.jpg"})
        files.junk.push_back((folder / name).string());
    for (const char* name : {"broken.qz", "empty.qz", "missing.qz"}) files.projects.push_back((folder / name).string());
    return files;
}

// The factory settings without the update check at start-up: a session
// must not depend on the network.
void startSettings(const std::filesystem::path& factory, const std::filesystem::path& target) {
    std::ifstream source(factory, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(source)), std::istreambuf_iterator<char>());
    const std::string on = "<checkforupdateatstartup>1</checkforupdateatstartup>";
    const size_t at = text.find(on);
    if (at != std::string::npos) text.replace(at, on.size(), "<checkforupdateatstartup>0</checkforupdateatstartup>");
    writeText(target, text);
}

// --- dialogs answered by the generator -------------------------------------------

// Every dialog gets a fitting answer from the generator, which is kept for
// the record and played through scripted dialogs, exactly as the recorded
// `answer` line will be played on a replay.
class SoakDialogs : public Dialogs, public SystemCursor {
public:
    // `onAnswer` hears the answers of the step so far after each one.
    SoakDialogs(SoakGenerator& generator, std::function<void(const std::vector<ScriptAnswer>&)> onAnswer)
        : generator_(generator), onAnswer_(std::move(onAnswer)) {}

    MessageAnswer messageBox(const String& caption, const String& text, MessageButtons buttons,
                             MessageIcon icon) override {
        SoakQuestion question;
        question.caption = caption.text();
        question.buttons = buttons;
        ask(question);
        return scripted_.messageBox(caption, text, buttons, icon);
    }
    std::optional<String> openFile(const String& title, const std::vector<FileFilter>& filters) override {
        ask(question(DialogKind::OpenFile, filters));
        return scripted_.openFile(title, filters);
    }
    std::optional<std::vector<String>> openFiles(const String& title, const std::vector<FileFilter>& filters) override {
        ask(question(DialogKind::OpenFiles, filters));
        return scripted_.openFiles(title, filters);
    }
    std::optional<SavedFile> saveFile(const String& title, const std::vector<FileFilter>& filters,
                                      int initialFilter) override {
        ask(question(DialogKind::SaveFile, filters));
        return scripted_.saveFile(title, filters, initialFilter);
    }
    std::optional<Rgb> chooseColour(const Rgb& initial) override {
        ask(question(DialogKind::ChooseColour, {}));
        return scripted_.chooseColour(initial);
    }
    std::optional<SliderValueAnswer> sliderValue(const String& initialText, bool minimumAdjustable,
                                                 bool maximumAdjustable) override {
        SoakQuestion asked = question(DialogKind::SliderValue, {});
        asked.minimumAdjustable = minimumAdjustable;
        asked.maximumAdjustable = maximumAdjustable;
        ask(asked);
        return scripted_.sliderValue(initialText, minimumAdjustable, maximumAdjustable);
    }
    void show() override { scripted_.show(); }
    void hide() override { scripted_.hide(); }

    // The answers given since the last call, in order.
    std::vector<ScriptAnswer> takeAnswers() { return std::exchange(answers_, {}); }

private:
    static SoakQuestion question(DialogKind kind, const std::vector<FileFilter>& filters) {
        SoakQuestion asked;
        asked.kind = kind;
        asked.filterCount = static_cast<int>(filters.size());
        return asked;
    }
    void ask(const SoakQuestion& question) {
        const ScriptAnswer answer = generator_.answer(question);
        queueScriptAnswer(scripted_, answer);
        answers_.push_back(answer);
        onAnswer_(answers_);
    }

    SoakGenerator& generator_;
    std::function<void(const std::vector<ScriptAnswer>&)> onAnswer_;
    ScriptedDialogs scripted_;
    std::vector<ScriptAnswer> answers_;
};

// --- the record ----------------------------------------------------------------------

// What a crash handler writes: the step in progress (which the file does not
// hold yet) and the line that names the seed and the replay. Kept in plain
// memory so that a signal handler can write it.
struct CrashNote {
    int fd = -1;
    char step[1 << 18] = {};
    std::atomic<size_t> stepLength{0};
    char farewell[1024] = {};
    size_t farewellLength = 0;
};
CrashNote crashNote;

void writeCrashNote() {
    if (crashNote.fd >= 0) {
        const size_t length = crashNote.stepLength.load();
        if (length > 0 && ::write(crashNote.fd, crashNote.step, length) < 0) {
        }
        ::fsync(crashNote.fd);
    }
    if (::write(STDERR_FILENO, crashNote.farewell, crashNote.farewellLength) < 0) {
    }
}

void onFatalSignal(int signal) {
    writeCrashNote();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void catchFatalSignals() {
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) std::signal(signal, onFatalSignal);
    if (__sanitizer_set_death_callback != nullptr) __sanitizer_set_death_callback(writeCrashNote);
}

// The session written as a script, one step at a time: the answers a step's
// dialogs got go before the step's commands.
class SessionRecord {
public:
    bool open(const std::string& path) {
        file_.open(path, std::ios::binary | std::ios::trunc);
        if (!file_) return false;
        crashNote.fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
        return true;
    }
    ~SessionRecord() {
        if (crashNote.fd >= 0) ::close(crashNote.fd);
        crashNote.fd = -1;
    }

    // The commands of the step now starting.
    void beginStep(const std::vector<ScriptCommand>& commands) {
        commands_ = commands;
        publish({});
    }
    // A command put in just before the step's last one (the `wait idle`).
    void insertBeforeLast(const ScriptCommand& command) {
        commands_.insert(commands_.empty() ? commands_.end() : commands_.end() - 1, command);
        publish({});
    }
    // Answers given so far in the step (for a crash in its middle).
    void answersSoFar(const std::vector<ScriptAnswer>& answers) { publish(answers); }
    // Writes the finished step: its answers, then its commands.
    void finishStep(const std::vector<ScriptAnswer>& answers) {
        file_ << stepText(answers);
        file_.flush();
        commands_.clear();
        publish({});
    }
private:
    std::string stepText(const std::vector<ScriptAnswer>& answers) {
        std::string text;
        for (const ScriptAnswer& answer : answers) {
            ScriptCommand command;
            command.kind = ScriptCommandKind::Answer;
            command.answer = answer;
            text += formatScriptCommand(command) + "\n";
        }
        for (const ScriptCommand& command : commands_) text += formatScriptCommand(command) + "\n";
        return text;
    }
    void publish(const std::vector<ScriptAnswer>& answers) {
        const std::string text = stepText(answers);
        crashNote.stepLength = 0;
        const size_t length = std::min(text.size(), sizeof crashNote.step);
        std::memcpy(crashNote.step, text.data(), length);
        crashNote.stepLength = length;
    }

    std::ofstream file_;
    std::vector<ScriptCommand> commands_;
};

// Aborts the program when no frame has finished for a while.
class Watchdog {
public:
    explicit Watchdog(int seconds) : limit_(std::chrono::seconds(std::max(1, seconds))) {
        beat();
        thread_ = std::thread([this] { watch(); });
    }
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    void beat() { last_ = Clock::now().time_since_epoch().count(); }

private:
    using Clock = std::chrono::steady_clock;

    void watch() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stopping_; })) {
            const Clock::time_point last{Clock::duration(last_.load())};
            if (Clock::now() - last < limit_) continue;
            static const char kHang[] = "plastora: soak: no frame finished in time: the program hangs\n";
            if (::write(STDERR_FILENO, kHang, sizeof kHang - 1) < 0) {
            }
            writeCrashNote();
            std::_Exit(3);
        }
    }

    Clock::duration limit_;
    std::atomic<Clock::rep> last_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace

int runSoak(const SoakOptions& options, std::FILE* messages) {
    namespace fs = std::filesystem;
    const fs::path folder = options.folder.empty() ? fs::temp_directory_path() /
                                                         ("plastora-soak-" + std::to_string(options.seed))
                                                   : fs::path(options.folder);
    std::error_code error;
    fs::create_directories(folder, error);
    const std::string recordPath = options.recordPath.empty()
                                       ? (folder / ("soak-" + std::to_string(options.seed) + ".txt")).string()
                                       : options.recordPath;
    SessionRecord record;
    if (!fs::is_directory(folder, error) || !record.open(recordPath)) {
        std::fprintf(messages, "plastora: soak: cannot write the session to '%s'\n", recordPath.c_str());
        return 2;
    }
    const std::string replay = "seed " + std::to_string(options.seed) + "; replay: plastora --script '" + recordPath +
                               "' --headless";
    std::snprintf(crashNote.farewell, sizeof crashNote.farewell, "plastora: soak session failed, %s\n",
                  replay.c_str());
    crashNote.farewellLength = std::strlen(crashNote.farewell);
    std::fprintf(messages, "plastora: soak session of %ld events, %s\n", options.events, replay.c_str());
    std::fflush(messages);
    catchFatalSignals();

    const fs::path settings = folder / "settings";
    fs::create_directories(settings, error);
    startSettings(fs::path(options.applicationDirectory.text()) / "config.xml", settings / "config.xml");
    SoakGenerator generator(options.seed, prepareFiles(folder, options.applicationDirectory));
    platform::HeadlessWindow window(kScreenWidth, kScreenHeight);
    InjectingWindow injecting(window);
    SoakDialogs dialogs(generator, [&record](const std::vector<ScriptAnswer>& answers) { record.answersSoFar(answers); });
    std::unique_ptr<ApplicationMain> application = startApplication(
        injecting, options.applicationDirectory, dialogs, dialogs, String((settings.string() + "/").c_str()));
    if (!application->isInitialised()) {
        std::fprintf(messages, "plastora: the program could not be set up\n");
        return 1;
    }
    application->setNoWait(true);

    ScriptedDialogs unused;
    ScriptPlayer player(Script{}, unused,
                        [&injecting](const platform::WindowMessage& message) { injecting.inject(message); }, false,
                        nullptr);
    ApplicationScriptHost host(*application);
    player.setHost(&host);

    Watchdog watchdog(options.hangSeconds);
    bool quitting = false;
    long frames = 0;
    // When the step began or its last ESC was sent; an ESC that only closed
    // a menu or ended a drag is followed by another a second later.
    auto lastStop = std::chrono::steady_clock::now();
    for (;;) {
        std::string running;
        if (player.isWaitingIdle() && host.isBusy(running) && runsObject(running) &&
            std::chrono::steady_clock::now() - lastStop > kLongestRun) {
            ScriptCommand escape;
            escape.kind = ScriptCommandKind::Key;
            escape.key = 0x1B;
            record.insertBeforeLast(escape);
            for (platform::MessageKind kind : {platform::MessageKind::KeyDown, platform::MessageKind::KeyUp}) {
                platform::WindowMessage message;
                message.kind = kind;
                message.key = escape.key;
                injecting.inject(message);
            }
            lastStop = std::chrono::steady_clock::now();
        }
        if (player.isFinished() && player.errors().empty() && !quitting) {
            lastStop = std::chrono::steady_clock::now();
            record.finishStep(dialogs.takeAnswers());
            std::vector<ScriptCommand> step;
            if (generator.events() >= options.events) {
                step.push_back(ScriptCommand{});
                step.back().kind = ScriptCommandKind::Quit;
                quitting = true;
            } else {
                step = generator.nextStep(host.soakView());
            }
            record.beginStep(step);
            player.append(std::move(step));
        }
        player.beforeFrame(application->device());
        if (!application->runPass()) break;
        ++frames;
        watchdog.beat();
        player.afterFrame(application->device());
    }
    record.finishStep(dialogs.takeAnswers());
    application->shutDown();
    application.reset();

    int result = 0;
    for (const std::string& fault : player.errors()) {
        std::fprintf(messages, "plastora: soak: %s\n", fault.c_str());
        result = 1;
    }
    if (!quitting) {
        std::fprintf(messages, "plastora: soak: the program ended before the session did\n");
        result = 1;
    }
    if (result != 0) {
        std::fprintf(messages, "plastora: soak session failed, %s\n", replay.c_str());
    } else {
        std::fprintf(messages, "plastora: soak session passed: %ld events in %ld frames\n", generator.events(),
                     frames);
    }
    return result;
}
