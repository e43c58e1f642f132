// The headless host's window, display, input, message boxes and sleeping: a record the test
// reads and scripts the test writes, guarded by one mutex because HostSleep is also called
// from the mixing thread.
#include <chrono>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/headless/headless.h"
#include "platform/headless/headless_audio.h"
#include "platform/headless/locked_field.h"

namespace {

// Win32 answer codes (the host returns them; declared here to keep the host free of the
// platform layer's headers).
const int ANSWER_OK = 1;
const int ANSWER_NO = 7;

struct ScheduledEvent {
    int after_frame;
    HostEvent event;
};

struct HeadlessState {
    std::mutex lock;

    int screen_width = 1024;
    int screen_height = 768;

    bool display_available = true;
    bool display_open = false;
    bool display_fullscreen = false;
    bool display_usable = true;
    int loss_after_frame = -1;  // < 0: no loss scheduled
    int loss_queries = 0;
    int loss_queries_left = 0;  // > 0: a loss is in progress
    int display_unusable_answers = 0;

    std::deque<int> box_answers;
    std::vector<HeadlessMessageBoxRecord> boxes;

    std::deque<HostEvent> immediate_events;
    std::vector<ScheduledEvent> scheduled_events;  // kept in scheduling order

    int frame_count = 0;
    bool keep_last_frame = true;
    std::vector<uint32_t> last_frame;
    int last_width = 0;
    int last_height = 0;
    HeadlessFrameCallback frame_callback;

    HeadlessWindowRecord window;

    std::vector<uint32_t> sleeps;
    uint32_t sleep_cap_ms = 2;
};

HeadlessState& State()
{
    static HeadlessState* state = new HeadlessState;  // never destroyed: safe at exit
    return *state;
}

void ResetState(HeadlessState& s)
{
    s.screen_width = 1024;
    s.screen_height = 768;
    s.display_available = true;
    s.display_open = false;
    s.display_fullscreen = false;
    s.display_usable = true;
    s.loss_after_frame = -1;
    s.loss_queries = 0;
    s.loss_queries_left = 0;
    s.display_unusable_answers = 0;
    s.box_answers.clear();
    s.boxes.clear();
    s.immediate_events.clear();
    s.scheduled_events.clear();
    s.frame_count = 0;
    s.keep_last_frame = true;
    s.last_frame.clear();
    s.last_frame.shrink_to_fit();
    s.last_width = 0;
    s.last_height = 0;
    s.frame_callback = nullptr;
    s.window = HeadlessWindowRecord();
    s.sleeps.clear();
    s.sleep_cap_ms = 2;
}

}  // namespace

void HeadlessReset()
{
    HeadlessState& s = State();
    {
        std::lock_guard<std::mutex> guard(s.lock);
        ResetState(s);
    }
    HeadlessResetAudio();
}

// ---- Screen and display ----------------------------------------------------------------

void HeadlessSetScreenSize(int width, int height)
{
    HeadlessState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.screen_width = width;
    s.screen_height = height;
}

void HostScreenSize(int* width, int* height)
{
    HeadlessState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (width) *width = s.screen_width;
    if (height) *height = s.screen_height;
}

void HeadlessSetDisplayAvailable(bool available)
{
    SetLockedField(State(), &HeadlessState::display_available, available);
}

bool HeadlessDisplayOpen() { return LockedField(State(), &HeadlessState::display_open); }

bool HeadlessDisplayFullscreen()
{
    return LockedField(State(), &HeadlessState::display_fullscreen);
}

bool HostOpenDisplay(bool fullscreen)
{
    HeadlessState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (!s.display_available) return false;
    s.display_open = true;
    s.display_fullscreen = fullscreen;
    return true;
}

void HostCloseDisplay()
{
    HeadlessState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.display_open = false;
}

void HeadlessSetDisplayUsable(bool usable)
{
    SetLockedField(State(), &HeadlessState::display_usable, usable);
}

void HeadlessScheduleDisplayLoss(int after_frame, int unusable_queries)
{
    HeadlessState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.loss_after_frame = after_frame < 0 ? 0 : after_frame;
    s.loss_queries = unusable_queries < 0 ? 0 : unusable_queries;
    s.loss_queries_left = 0;
}

bool HostDisplayUsable()
{
    HeadlessState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.loss_after_frame >= 0 && s.frame_count >= s.loss_after_frame) {
        // The scheduled loss begins now.
        s.loss_queries_left = s.loss_queries;
        s.loss_after_frame = -1;
    }
    bool usable = s.display_usable;
    if (s.loss_queries_left > 0) {
        s.loss_queries_left--;
        usable = false;
    }
    if (!usable) s.display_unusable_answers++;
    return usable;
}

int HeadlessDisplayUnusableAnswers()
{
    return LockedField(State(), &HeadlessState::display_unusable_answers);
}

// ---- Message boxes --------------------------------------------------------------------

void HeadlessQueueMessageBoxAnswer(int answer)
{
    HeadlessState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.box_answers.push_back(answer);
}

std::vector<HeadlessMessageBoxRecord> HeadlessMessageBoxes()
{
    return LockedField(State(), &HeadlessState::boxes);
}

int HostMessageBox(const char* text, const char* caption, bool yes_no)
{
    HeadlessState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    int answer = yes_no ? ANSWER_NO : ANSWER_OK;
    if (!s.box_answers.empty()) {
        answer = s.box_answers.front();
        s.box_answers.pop_front();
    }
    s.boxes.push_back({text ? text : "", caption ? caption : "", yes_no, answer});
    return answer;
}

// ---- Input ----------------------------------------------------------------------------

void HeadlessPushEvent(const HostEvent& event)
{
    HeadlessState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.immediate_events.push_back(event);
}

void HeadlessScheduleEvent(int after_frame, const HostEvent& event)
{
    HeadlessState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.scheduled_events.push_back({after_frame, event});
}

HostEvent HeadlessKeyDown(int virtual_key)
{
    return HostEvent{HOST_EVENT_KEY_DOWN, virtual_key, 0, 0};
}

HostEvent HeadlessLeftClick(int x, int y) { return HostEvent{HOST_EVENT_LBUTTON_DOWN, 0, x, y}; }

HostEvent HeadlessRightClick(int x, int y) { return HostEvent{HOST_EVENT_RBUTTON_DOWN, 0, x, y}; }

HostEvent HeadlessCloseRequest() { return HostEvent{HOST_EVENT_CLOSE, 0, 0, 0}; }

int HeadlessPendingEvents()
{
    HeadlessState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    return int(s.immediate_events.size() + s.scheduled_events.size());
}

bool HostPollEvent(HostEvent* event)
{
    HeadlessState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (!s.immediate_events.empty()) {
        if (event) *event = s.immediate_events.front();
        s.immediate_events.pop_front();
        return true;
    }
    // The earliest due event; among those due at the same frame, the first scheduled.
    size_t best = s.scheduled_events.size();
    for (size_t i = 0; i < s.scheduled_events.size(); i++) {
        const ScheduledEvent& candidate = s.scheduled_events[i];
        if (candidate.after_frame > s.frame_count) continue;
        if (best == s.scheduled_events.size() ||
            candidate.after_frame < s.scheduled_events[best].after_frame) {
            best = i;
        }
    }
    if (best == s.scheduled_events.size()) return false;
    if (event) *event = s.scheduled_events[best].event;
    s.scheduled_events.erase(s.scheduled_events.begin() + long(best));
    return true;
}

// ---- Presented frames -----------------------------------------------------------------

int HeadlessFrameCount() { return LockedField(State(), &HeadlessState::frame_count); }

void HeadlessKeepLastFrame(bool keep)
{
    HeadlessState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.keep_last_frame = keep;
}

std::vector<uint32_t> HeadlessLastFrame()
{
    return LockedField(State(), &HeadlessState::last_frame);
}

int HeadlessLastFrameWidth() { return LockedField(State(), &HeadlessState::last_width); }

int HeadlessLastFrameHeight() { return LockedField(State(), &HeadlessState::last_height); }

void HeadlessSetFrameCallback(HeadlessFrameCallback callback)
{
    SetLockedField(State(), &HeadlessState::frame_callback, std::move(callback));
}

void HostPresent(const uint32_t* pixels, int width, int height, int pitch)
{
    HeadlessState& s = State();
    HeadlessFrameCallback callback;
    int frame = 0;
    {
        std::lock_guard<std::mutex> guard(s.lock);
        bool valid = pixels != nullptr && width > 0 && height > 0 && pitch >= width;
        if (valid && s.keep_last_frame) {
            s.last_frame.resize(size_t(width) * size_t(height));
            for (int y = 0; y < height; y++) {
                std::memcpy(s.last_frame.data() + size_t(y) * size_t(width),
                            pixels + size_t(y) * size_t(pitch), size_t(width) * sizeof(uint32_t));
            }
            s.last_width = width;
            s.last_height = height;
        }
        frame = ++s.frame_count;
        if (valid) callback = s.frame_callback;
    }
    // Outside the lock: the callback may call any Headless function.
    if (callback) callback(frame, pixels, width, height, pitch);
}

// ---- Window ---------------------------------------------------------------------------

bool HostCreateWindow(const char* title, int x, int y, int width, int height)
{
    HeadlessState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.window.created = true;
    s.window.destroyed = false;
    s.window.title = title ? title : "";
    s.window.x = x;
    s.window.y = y;
    s.window.width = width;
    s.window.height = height;
    s.window.visible = false;
    s.window.create_count++;
    return true;
}

void HostShowWindow(bool visible)
{
    HeadlessState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.window.created) s.window.visible = visible;
}

void HostDestroyWindow()
{
    HeadlessState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (!s.window.created) return;
    s.window.created = false;
    s.window.destroyed = true;
    s.window.visible = false;
}

void HostShowCursor(bool visible)
{
    HeadlessState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.window.cursor_visible = visible;
}

HeadlessWindowRecord HeadlessWindow() { return LockedField(State(), &HeadlessState::window); }

// ---- Sleeping -------------------------------------------------------------------------

void HostSleep(uint32_t milliseconds)
{
    HeadlessState& s = State();
    uint32_t real_ms = 0;
    {
        std::lock_guard<std::mutex> guard(s.lock);
        s.sleeps.push_back(milliseconds);
        real_ms = milliseconds < s.sleep_cap_ms ? milliseconds : s.sleep_cap_ms;
    }
    if (real_ms == 0) {
        std::this_thread::yield();
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(real_ms));
    }
}

std::vector<uint32_t> HeadlessSleepRequests()
{
    return LockedField(State(), &HeadlessState::sleeps);
}

int HeadlessSleepCount(uint32_t milliseconds)
{
    HeadlessState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    int count = 0;
    for (uint32_t request : s.sleeps) count += request == milliseconds ? 1 : 0;
    return count;
}

void HeadlessSetSleepCap(uint32_t milliseconds)
{
    SetLockedField(State(), &HeadlessState::sleep_cap_ms, milliseconds);
}
