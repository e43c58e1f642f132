// Safe output: the decisions listed in output_file.h, made before the first byte is written.
#include "tools/common/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef _WIN32
#include <io.h>
#else
#include <climits>
#endif

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::string ErrnoText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// ---- The temporary file the end signals remove ---------------------------------------------
// A signal handler may only call async-signal-safe functions: the path is kept in a fixed
// buffer, written while the signals are blocked.
char pending_temporary[4096];
volatile sig_atomic_t pending_set = 0;

void RemovePendingAndEnd(int signal_number)
{
    if (pending_set) unlink(pending_temporary);
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

#ifdef _WIN32
const int END_SIGNALS[] = {SIGINT, SIGTERM};
void InstallEndSignalCleanup()
{
    for (int signal_number : END_SIGNALS) std::signal(signal_number, RemovePendingAndEnd);
}
void SetPending(const std::string& path)
{
    std::snprintf(pending_temporary, sizeof(pending_temporary), "%s", path.c_str());
    pending_set = !path.empty();
}
int CreateTemporary(char* name)
{
    int fd = mkstemp(name);
    if (fd >= 0) SetPending(name);
    return fd;
}
#else
const int END_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
void InstallEndSignalCleanup()
{
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int signal_number : END_SIGNALS) {
        struct sigaction action {};
        sigaction(signal_number, nullptr, &action);
        // A signal the program was started with ignored (nohup) stays ignored; a handler the
        // program installed itself is left alone.
        if (action.sa_handler != SIG_DFL) continue;
        action = {};
        action.sa_handler = RemovePendingAndEnd;
        sigemptyset(&action.sa_mask);
        sigaction(signal_number, &action, nullptr);
    }
}
void SetPending(const std::string& path)
{
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    for (int signal_number : END_SIGNALS) sigaddset(&blocked, signal_number);
    sigprocmask(SIG_BLOCK, &blocked, &previous);
    std::snprintf(pending_temporary, sizeof(pending_temporary), "%s", path.c_str());
    pending_set = !path.empty();
    sigprocmask(SIG_SETMASK, &previous, nullptr);
}
// mkstemp with the end signals held back until the new file's name is registered, so that no
// signal can leave it behind.
int CreateTemporary(char* name)
{
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    for (int signal_number : END_SIGNALS) sigaddset(&blocked, signal_number);
    sigprocmask(SIG_BLOCK, &blocked, &previous);
    int fd = mkstemp(name);
    if (fd >= 0) {
        std::snprintf(pending_temporary, sizeof(pending_temporary), "%s", name);
        pending_set = 1;
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    return fd;
}
#endif

// ---- Where the path leads ------------------------------------------------------------------
#ifdef _WIN32
std::string FollowLinks(const std::string& path, std::string*) { return path; }
#else
std::string Folder(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return "";
    return path.substr(0, slash + 1);
}

// The path with every symbolic link of its last component followed, also to a target that does
// not exist yet (a dangling link names the file to create). Empty with `error` for a loop.
std::string FollowLinks(const std::string& path, std::string* error)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        std::vector<char> buffer(PATH_MAX + 1);
        ssize_t length = readlink(current.c_str(), buffer.data(), PATH_MAX);
        if (length < 0) return current;
        std::string link(buffer.data(), static_cast<size_t>(length));
        current = (!link.empty() && link[0] == '/') ? link : Folder(current) + link;
    }
    *error = "too many levels of symbolic links";
    return "";
}
#endif

#ifdef _WIN32
// Windows' C runtime gives every file the inode 0: files are compared by their full paths
// (standard output, which has none, is not compared).
bool IsInput(const std::string& path, const struct stat&, const OutputRules& rules)
{
    char output[_MAX_PATH], input[_MAX_PATH];
    return !path.empty() && !rules.input_path.empty() &&
           _fullpath(output, path.c_str(), sizeof(output)) != nullptr &&
           _fullpath(input, rules.input_path.c_str(), sizeof(input)) != nullptr &&
           _stricmp(output, input) == 0;
}
#else
bool IsInput(const std::string&, const struct stat& info, const OutputRules& rules)
{
    struct stat input {};
    return !rules.input_path.empty() && stat(rules.input_path.c_str(), &input) == 0 &&
           info.st_dev == input.st_dev && info.st_ino == input.st_ino;
}
#endif

bool IsStream(mode_t mode)
{
#ifdef _WIN32
    return S_ISCHR(mode);
#else
    return S_ISFIFO(mode) || S_ISCHR(mode);
#endif
}

void UseBinaryMode(FILE* file)
{
#ifdef _WIN32
    _setmode(_fileno(file), _O_BINARY);
#else
    (void)file;
#endif
}

bool OpenStandardOutput(OutputFile* out, const OutputRules& rules)
{
    struct stat info {};
    if (fstat(fileno(stdout), &info) == 0 && IsInput("", info, rules)) {
        out->error = "standard output is the input file";
        return false;
    }
    out->target.assign(1, '-');
    out->stream = stdout;
    UseBinaryMode(stdout);
    return true;
}

// A FIFO or a character device: written where it is. Opening a FIFO waits for its reader.
bool OpenStream(OutputFile* out)
{
#ifdef _WIN32
    int fd = open(out->target.c_str(), O_WRONLY | O_BINARY);
#else
    int fd = open(out->target.c_str(), O_WRONLY | O_CLOEXEC);
#endif
    if (fd < 0) {
        out->error = ErrnoText("cannot open");
        return false;
    }
    out->stream = fdopen(fd, "wb");
    if (out->stream == nullptr) {
        out->error = ErrnoText("cannot open");
        close(fd);
        return false;
    }
    return true;
}

// A regular file: a temporary file beside the target, with the mode the target has (or the
// usual mode of a new file).
bool OpenTemporary(OutputFile* out, const struct stat* existing)
{
    std::string pattern = out->target + ".partial-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = CreateTemporary(name.data());
    if (fd < 0) {
        out->error = ErrnoText("cannot create a file in its folder");
        return false;
    }
    out->temporary = name.data();
    if (existing != nullptr) {
        chmod(name.data(), existing->st_mode & 07777);
#ifndef _WIN32
        // Kept where allowed (root replacing another user's file); otherwise the file is ours.
        if (fchown(fd, existing->st_uid, existing->st_gid) == 0) {
            fchmod(fd, existing->st_mode & 07777);
        }
#endif
    } else {
        // mkstemp creates the file for its owner only; give it the usual permissions.
        mode_t mask = umask(0);
        umask(mask);
        chmod(name.data(), 0666 & ~mask);
    }
    out->stream = fdopen(fd, "wb");
    if (out->stream == nullptr) {
        out->error = ErrnoText("cannot open");
        close(fd);
        AbandonOutputFile(out);
        return false;
    }
    return true;
}

// Renames the finished file into place. When the target did not exist at the start, an existing
// file found there now is not replaced (it appeared meanwhile, and nobody allowed replacing it).
bool MoveIntoPlace(const OutputFile& out)
{
#ifdef _WIN32
    if (std::rename(out.temporary.c_str(), out.target.c_str()) == 0) return true;
    if (!out.replaces) return false;
    return std::remove(out.target.c_str()) == 0 &&
           std::rename(out.temporary.c_str(), out.target.c_str()) == 0;
#else
    if (out.replaces) return std::rename(out.temporary.c_str(), out.target.c_str()) == 0;
    // link() fails on an existing name: the atomic "create, do not replace" rename.
    if (link(out.temporary.c_str(), out.target.c_str()) == 0) {
        unlink(out.temporary.c_str());
        return true;
    }
    // Filesystems without hard links: check, then rename.
    if (errno != EEXIST && access(out.target.c_str(), F_OK) != 0) {
        return std::rename(out.temporary.c_str(), out.target.c_str()) == 0;
    }
    return false;
#endif
}

}  // namespace

bool OpenOutputFile(OutputFile* out, const std::string& path, const OutputRules& rules)
{
    *out = OutputFile{};
    out->path = path;
    if (path == "-") return OpenStandardOutput(out, rules);
    if (path.empty()) {
        out->error = "no output path";
        return false;
    }
    InstallEndSignalCleanup();
    out->target = FollowLinks(path, &out->error);
    if (out->target.empty()) return false;

    struct stat info {};
    if (stat(out->target.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            out->error = ErrnoText("cannot check");
            return false;
        }
        return OpenTemporary(out, nullptr);
    }
    if (IsInput(out->target, info, rules)) {
        out->error = "is the input file: not overwritten";
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        out->error = "is a folder";
        return false;
    }
    if (IsStream(info.st_mode)) return OpenStream(out);
    if (!S_ISREG(info.st_mode)) {
        out->error = "is neither a file, a FIFO nor a character device";
        return false;
    }
    if ((info.st_mode & 0222) == 0) {
        out->error = "is read-only: not replaced";
        return false;
    }
    if (!rules.force) {
        out->error = "exists: not replaced (--force replaces it)";
        return false;
    }
    out->replaces = true;
    return OpenTemporary(out, &info);
}

bool OutputCanRewind(const OutputFile& out) { return !out.temporary.empty(); }

bool FinishOutputFile(OutputFile* out)
{
    if (out->stream == nullptr) return false;
    if (out->stream == stdout) {
        out->stream = nullptr;
        if (std::fflush(stdout) != 0) {
            out->error = ErrnoText("cannot write");
            return false;
        }
        return true;
    }
    bool written = std::fflush(out->stream) == 0;
#ifndef _WIN32
    // A file that replaces another reaches the disk before the rename, so that a crash leaves
    // the old file or the new one, never an empty one.
    if (written && out->replaces) written = fsync(fileno(out->stream)) == 0;
#endif
    if (!written) out->error = ErrnoText("cannot write");
    if (std::fclose(out->stream) != 0 && written) {
        written = false;
        out->error = ErrnoText("cannot write");
    }
    out->stream = nullptr;
    if (!written) {
        AbandonOutputFile(out);
        return false;
    }
    if (out->temporary.empty()) return true;
    if (!MoveIntoPlace(*out)) {
        out->error = errno == EEXIST ? std::string("appeared while writing: not replaced")
                                     : ErrnoText("cannot rename the finished file into place");
        AbandonOutputFile(out);
        return false;
    }
    out->temporary.clear();
    SetPending("");
    return true;
}

void AbandonOutputFile(OutputFile* out)
{
    if (out->stream != nullptr && out->stream != stdout) std::fclose(out->stream);
    out->stream = nullptr;
    if (!out->temporary.empty()) unlink(out->temporary.c_str());
    out->temporary.clear();
    SetPending("");
}
