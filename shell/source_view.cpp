// The WML source view. The viewer is a child the program never waits for:
// a SIGCHLD handler collects the viewers that have ended, by their pids
// only, so that another part of the program can still wait for children
// of its own.
#include "shell/source_view.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "browser/context.h"
#include "browser/messages.h"
#include "common/directories.h"
#include "common/log.h"
#include "shell/platform.h"
#include "wml/decompile.h"

extern char **environ;

namespace {

constexpr const char *SOURCE_FILE = "wmlsource.txt";
constexpr int MAX_VIEWERS = 16;  // viewers open at once

// Started viewers not yet collected; 0 marks a free slot. The handler
// clears slots, so they are lock-free atomics.
std::atomic<pid_t> gViewers[MAX_VIEWERS];
static_assert(std::atomic<pid_t>::is_always_lock_free);
struct sigaction gPreviousChildAction;  // chained to from the handler
bool gHandlerInstalled = false;

// A slot whose child has ended, or was collected by someone else (ECHILD),
// is freed; a running one is left alone.
void collectViewers()
{
    for (std::atomic<pid_t> &slot : gViewers) {
        pid_t pid = slot.load();
        if (pid <= 0) {
            continue;
        }
        pid_t r = waitpid(pid, nullptr, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD)) {
            slot.store(0);
        }
    }
}

void onChildExit(int signal, siginfo_t *info, void *context)
{
    const int savedErrno = errno;
    collectViewers();
    errno = savedErrno;
    const struct sigaction &previous = gPreviousChildAction;
    if (previous.sa_flags & SA_SIGINFO) {
        if (previous.sa_sigaction) {
            previous.sa_sigaction(signal, info, context);
        }
    } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signal);
    }
}

void installChildHandler()
{
    if (gHandlerInstalled) {
        return;
    }
    struct sigaction action { };
    action.sa_sigaction = onChildExit;
    action.sa_flags = SA_SIGINFO | SA_RESTART | SA_NOCLDSTOP;
    sigemptyset(&action.sa_mask);
    gHandlerInstalled = sigaction(SIGCHLD, &action, &gPreviousChildAction) == 0;
}

// Starts argv (searched in PATH) in its own process group, so that a ^C
// meant for the browser leaves the viewer open. SIGCHLD stays blocked
// until the pid is in its slot: a child that ends at once is still seen.
bool spawnViewer(const std::vector<std::string> &argv)
{
    installChildHandler();
    collectViewers();
    std::atomic<pid_t> *slot = nullptr;
    for (std::atomic<pid_t> &s : gViewers) {
        if (s.load() == 0) {
            slot = &s;
            break;
        }
    }
    if (!slot) {
        Log_str("Display: too many source viewers open\n");
        return false;
    }
    std::vector<char *> args;
    for (const std::string &a : argv) {
        args.push_back(const_cast<char *>(a.c_str()));
    }
    args.push_back(nullptr);

    sigset_t childSignal, previousMask;
    sigemptyset(&childSignal);
    sigaddset(&childSignal, SIGCHLD);
    sigprocmask(SIG_BLOCK, &childSignal, &previousMask);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setsigmask(&attr, &previousMask);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], nullptr, &attr, args.data(), environ);
    if (rc == 0) {
        slot->store(pid);
    }
    posix_spawnattr_destroy(&attr);
    sigprocmask(SIG_SETMASK, &previousMask, nullptr);
    Log_printf("Display: viewer %s %s\n", argv[0].c_str(), rc == 0 ? "started" : std::strerror(rc));
    return rc == 0;
}

// The editor named by $VISUAL or $EDITOR, or "".
std::string editorCommand()
{
    for (const char *name : {"VISUAL", "EDITOR"}) {
        const char *value = std::getenv(name);
        if (value && value[0]) {
            return value;
        }
    }
    return "";
}

bool headless() { return std::strcmp(platform().name, "headless") == 0; }

// The status line for a Decompile result, or nullptr.
const char *resultStatus(int result)
{
    switch (result) {
    case DECOMPILE_NOT_CACHED: return "WML source: the deck is no longer in the cache";
    case DECOMPILE_OVERFLOW: return "WML source: the text is incomplete";
    default: return nullptr;
    }
}

}  // namespace

bool writeWmlSource(const char *path, int *result, std::string *why)
{
    const char *url = getURL(0);
    if (!url) {
        *why = "no current deck";
        return false;
    }
    FILE *out = std::fopen(path, "w");
    if (!out) {
        *why = std::string("cannot write ") + path + ": " + std::strerror(errno);
        return false;
    }
    *result = Decompile(url, out);
    const bool written = !std::ferror(out);
    if (std::fclose(out) != 0 || !written) {
        *why = std::string("cannot write ") + path;
        return false;
    }
    return true;
}

bool showWmlSource()
{
    if (!getURL(0)) {
        return false;
    }
    const std::string path = Dir_statePath(SOURCE_FILE);
    int result = 0;
    std::string why;
    const bool written = writeWmlSource(path.c_str(), &result, &why);
    if (!written) {
        // A file that cannot be written is skipped; the viewer still opens.
        Log_printf("Display: source view %s\n", why.c_str());
        showStatus(("WML source: " + why).c_str());
    } else if (const char *status = resultStatus(result)) {
        showStatus(status);
    }
    if (headless()) {
        if (written) {
            std::printf("source %s %d\n", path.c_str(), result);
        }
        return written;
    }
    if (startSourceViewer(path.c_str())) {
        return true;
    }
    showStatus("WML source: no viewer (install xdg-utils or set VISUAL)");
    return false;
}

bool startSourceViewer(const char *path)
{
    if (spawnViewer({"xdg-open", path})) {
        return true;
    }
    // A terminal editor needs a terminal; the command is given to the shell
    // as the user wrote it, with the file as its last argument.
    const std::string editor = editorCommand();
    return !editor.empty() && spawnViewer({"x-terminal-emulator", "-e", "sh", "-c", editor + " \"$1\"", "sh", path});
}

int runningSourceViewers()
{
    collectViewers();
    int n = 0;
    for (const std::atomic<pid_t> &slot : gViewers) {
        n += slot.load() > 0 ? 1 : 0;
    }
    return n;
}
