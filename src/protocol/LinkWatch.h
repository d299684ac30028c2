#pragma once
#include <cstdint>

// Tells a silent phone from a vanished one. A phone out of Bluetooth range leaves the port
// open and simply goes quiet; if it held a key, that key would stay down for ever. So when the
// link has been silent for a while, the server sends the synchronisation message, which a
// present phone answers at once, and a link that stays silent past a generous limit is lost.
//
// A phone that holds something is asked after a few seconds of silence; an idle one only after
// a minute, so that the tray's connected state stays true without chatter on the link. Any byte
// from the phone counts as an answer, so a phone that answers is never given up, however long
// it holds a key.
//
// Pure logic over times the caller supplies (milliseconds of a monotonic clock); the caller
// ticks it about twice a second while a phone is connected.
class CLinkWatch {
public:
    static constexpr uint64_t kHeldSilenceMs = 2500;
    static constexpr uint64_t kIdleSilenceMs = 60000;
    static constexpr uint64_t kAnswerLimitMs = 4500;

    enum class Action { None, Probe, Lost };

    // No phone to watch (none connected, or the link was lost): the silence counts from the
    // next tick.
    void Reset();
    // heardCount: a count that grows whenever bytes arrive from the phone.
    Action Tick(uint64_t now, uint64_t heardCount, bool holding);
    // A synchronisation message that arrives while this is true answers the probe; the server
    // must not answer it in turn, or the two would echo each other for ever.
    bool IsAnswerDue() const { return m_answerDue; }
    void AnswerReceived() { m_answerDue = false; }

private:
    uint64_t m_lastHeard = 0;
    uint64_t m_heardCount = 0;
    uint64_t m_probeSentAt = 0;
    uint64_t m_countAtProbe = 0;
    bool m_restart = true;     // the next tick starts the silence afresh
    bool m_probing = false;    // waiting for any sign of the phone
    bool m_answerDue = false;  // waiting for the synchronisation answer itself
};
