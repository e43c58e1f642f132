// Threads and sleeping: CreateThread on POSIX threads, SetThreadPriority on the Linux
// scheduler, CloseHandle for thread handles, Sleep on the host.
//
// Threads run detached: nothing ever waits for one by its POSIX id, so no thread is left
// joinable at exit, whether or not its handle was closed (the player never closes its
// mixing thread's handle). A handle is a record kept in a registry until both the thread has
// ended and the handle has been closed; whichever happens last frees it. The POSIX id is only
// used while the record says the thread has not finished, under the registry's lock, and the
// thread marks itself finished under that lock, so the id always names a live thread.
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/host.h"
#include "platform/win32_api.h"

namespace {

struct ThreadRecord {
    pthread_t thread{};
    LPTHREAD_START_ROUTINE start = nullptr;
    LPVOID parameter = nullptr;
    pid_t kernel_id = 0;  // known once the thread runs
    bool started = false;
    bool finished = false;
    bool closed = false;
};

struct ThreadRegistry {
    std::mutex lock;
    std::condition_variable started;
    std::vector<ThreadRecord*> records;
};

ThreadRegistry& Registry()
{
    static ThreadRegistry* registry = new ThreadRegistry;  // never destroyed: safe at exit
    return *registry;
}

// Called with the registry locked.
void ForgetRecord(ThreadRegistry& registry, ThreadRecord* record)
{
    registry.records.erase(std::remove(registry.records.begin(), registry.records.end(), record),
                           registry.records.end());
    delete record;
}

ThreadRecord* FindRecord(ThreadRegistry& registry, HANDLE handle)
{
    // A closed handle no longer names its thread, even while the thread still runs.
    for (ThreadRecord* record : registry.records)
        if (record == handle && !record->closed) return record;
    return nullptr;
}

void* ThreadMain(void* argument)
{
    ThreadRecord* record = static_cast<ThreadRecord*>(argument);
    ThreadRegistry& registry = Registry();
    LPTHREAD_START_ROUTINE start = nullptr;
    LPVOID parameter = nullptr;
    {
        std::lock_guard<std::mutex> guard(registry.lock);
        record->kernel_id = gettid();
        record->started = true;
        start = record->start;
        parameter = record->parameter;
    }
    registry.started.notify_all();

    start(parameter);

    std::lock_guard<std::mutex> guard(registry.lock);
    record->finished = true;
    if (record->closed) ForgetRecord(registry, record);
    return nullptr;
}

// Real-time priority asked for a time-critical thread: above every normal thread, yet well
// below the kernel's own real-time threads (interrupt threads run at 50, watchdogs at 99).
const int TIME_CRITICAL_RT_PRIORITY = 10;

// The best nice value this process may set (RLIMIT_NICE: nice may go down to 20 - limit).
int LowestAllowedNice(int wanted)
{
    if (geteuid() == 0) return wanted;
    rlimit limit{};
    if (getrlimit(RLIMIT_NICE, &limit) != 0) return 0;
    int lowest = 20 - int(limit.rlim_cur == RLIM_INFINITY ? 40 : limit.rlim_cur);
    return std::max(wanted, lowest);
}

bool TrySetNice(pid_t kernel_id, int nice_value)
{
    int allowed = LowestAllowedNice(nice_value);
    // Raising priority by nothing (or lowering it instead) is not what was asked.
    if (nice_value < 0 && allowed >= 0) return false;
    if (setpriority(PRIO_PROCESS, id_t(kernel_id), allowed) == 0) return true;
    // The limit could not be read exactly: try the requested value, then give up silently.
    return allowed != nice_value && setpriority(PRIO_PROCESS, id_t(kernel_id), nice_value) == 0;
}

bool TrySetRealTime(pthread_t thread)
{
    int priority = TIME_CRITICAL_RT_PRIORITY;
    if (geteuid() != 0) {
        rlimit limit{};
        if (getrlimit(RLIMIT_RTPRIO, &limit) != 0 || limit.rlim_cur == 0) return false;
        if (limit.rlim_cur != RLIM_INFINITY) priority = std::min(priority, int(limit.rlim_cur));
    }
    sched_param parameters{};
    parameters.sched_priority = priority;
    if (pthread_setschedparam(thread, SCHED_FIFO, &parameters) == 0) return true;
    return pthread_setschedparam(thread, SCHED_RR, &parameters) == 0;
}

void SetNormalPolicy(pthread_t thread)
{
    sched_param parameters{};
    parameters.sched_priority = 0;
    pthread_setschedparam(thread, SCHED_OTHER, &parameters);
}

}  // namespace

void WINAPI Sleep(DWORD milliseconds) { HostSleep(milliseconds); }

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stack_size, LPTHREAD_START_ROUTINE start,
                           LPVOID parameter, DWORD, LPDWORD thread_id)
{
    if (start == nullptr) return nullptr;
    ThreadRegistry& registry = Registry();
    ThreadRecord* record = new ThreadRecord;
    record->start = start;
    record->parameter = parameter;

    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    if (stack_size != 0)
        pthread_attr_setstacksize(&attributes, std::max<SIZE_T>(stack_size, 65536));

    std::unique_lock<std::mutex> guard(registry.lock);
    registry.records.push_back(record);
    int error = pthread_create(&record->thread, &attributes, ThreadMain, record);
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        ForgetRecord(registry, record);
        return nullptr;
    }
    // Wait until the thread knows its kernel id, so its priority can be set at once.
    registry.started.wait(guard, [record] { return record->started; });
    if (thread_id) *thread_id = DWORD(record->kernel_id);
    return record;
}

BOOL WINAPI SetThreadPriority(HANDLE thread, int priority)
{
    ThreadRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.lock);
    ThreadRecord* record = FindRecord(registry, thread);
    if (record == nullptr) return FALSE;
    if (record->finished) return TRUE;  // nothing left to schedule

    // Time-critical: a real-time policy if the system grants one to this process, else the
    // lowest nice value allowed. Other levels map onto nice values around 0; none of these
    // needs privileges except raising above normal, which fails silently.
    if (priority >= THREAD_PRIORITY_TIME_CRITICAL) {
        if (TrySetRealTime(record->thread)) return TRUE;
        TrySetNice(record->kernel_id, -20);
        return TRUE;
    }
    SetNormalPolicy(record->thread);
    int nice_value = std::clamp(-4 * priority, -20, 19);
    TrySetNice(record->kernel_id, nice_value);
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE object)
{
    ThreadRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.lock);
    ThreadRecord* record = FindRecord(registry, object);
    if (record == nullptr) return FALSE;
    record->closed = true;
    // A running thread frees its record when it ends.
    if (record->finished) ForgetRecord(registry, record);
    return TRUE;
}
