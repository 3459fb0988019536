// A soak session: `plastora --soak SEED [--events N] [--record FILE]
// [--folder DIR] [--hang-seconds S]`. The program runs headless while a
// seeded generator plays a random session into it (app/script/soak.h); the
// session is written to FILE as a script as it goes, so that
// `plastora --script FILE --headless` replays it.
//
// A session fails when the program crashes, hangs, a script command of the
// session faults (a menu item that cannot be chosen, an operation that never
// ends) or, under the sanitizers, leaks or breaks a rule. The seed and the
// replay command are printed first, so that they are on the output however
// the program ends; a hang (no frame finished for the given seconds) prints
// them again and aborts.
#pragma once

#include "core/string.h"

#include <cstdint>
#include <cstdio>
#include <string>

struct SoakOptions {
    std::uint32_t seed = 1;
    long events = 2000;
    // The script of the session; "<folder>/soak-<seed>.txt" when empty.
    std::string recordPath;
    // Where the session's files go (saved projects, pictures, the state
    // snapshot); made when missing. A folder under /tmp when empty.
    std::string folder;
    // A frame that takes longer than this is taken for a hang.
    int hangSeconds = 300;
    // The art and the factory config.xml (with a trailing '/'). The session
    // keeps its settings in "<folder>/settings/", starting from that
    // config.xml, so that the user's settings are never touched.
    String applicationDirectory;
};

// Runs the session. Returns 0 when it ran to its end, 1 when it failed (the
// reason, the seed and the replay command on `messages`), 2 when it could not
// start (a folder or the record that cannot be written).
int runSoak(const SoakOptions& options, std::FILE* messages);
