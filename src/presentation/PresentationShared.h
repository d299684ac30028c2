#pragma once
#include <cstdint>
#include <functional>

class ITimerService;

// State that all presentation managers share: the notification timer that sends slide data
// some time after the last navigation, and the poll counter that paces the screen-saver key.
// The program has one, owned by the shell next to the timer service; managers hold a reference.
// GUI thread only.
class CPresentationShared {
public:
    // The delay of the notification after the last navigation key.
    static constexpr uint32_t kNotifyDelayMilliseconds = 500;
    // Polls between two screen-saver keys: the key goes with every (kPollsPerKey + 1)th poll.
    static constexpr int32_t kPollsPerKey = 16;
    static constexpr char kNotificationTimer[] = "slide notification";

    // `notifySelected` has the application the phone has selected now send its pending data.
    CPresentationShared(ITimerService& timer, std::function<void()> notifySelected);
    // A pending notification is cancelled: its callback refers to this object.
    ~CPresentationShared();
    CPresentationShared(const CPresentationShared&) = delete;
    CPresentationShared& operator=(const CPresentationShared&) = delete;

    // (Re)starts the notification: when it fires, the selected application sends its pending
    // data. The application is asked only then, because the manager that started the timer may
    // have been replaced by an application-list rebuild in the meantime.
    void RestartNotification();
    bool IsNotificationPending() const { return m_notificationPending; }

    // Advances the poll counter; true when this poll is due to press the screen-saver key.
    bool AdvancePollCounter();

    ITimerService& GetTimer() const { return m_timer; }

private:
    void OnNotifyTimer();

    ITimerService& m_timer;
    std::function<void()> m_notifySelected;
    bool m_notificationPending = false;
    int32_t m_pollCounter = 0;
};
