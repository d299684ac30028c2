#include "protocol/LinkWatch.h"

void CLinkWatch::Reset()
{
    m_restart = true;
    m_probing = false;
    m_answerDue = false;
}

CLinkWatch::Action CLinkWatch::Tick(uint64_t now, uint64_t heardCount, bool holding)
{
    if (m_restart || heardCount != m_heardCount) {
        m_restart = false;
        m_heardCount = heardCount;
        m_lastHeard = now;
    }
    if (m_answerDue && now - m_probeSentAt >= kAnswerLimitMs)
        m_answerDue = false;
    if (m_probing) {
        if (m_heardCount != m_countAtProbe) {
            m_probing = false;
        } else if (now - m_probeSentAt >= kAnswerLimitMs) {
            m_probing = false;
            return Action::Lost;
        } else {
            return Action::None;
        }
    }
    const uint64_t silence = now >= m_lastHeard ? now - m_lastHeard : 0;
    if (silence < (holding ? kHeldSilenceMs : kIdleSilenceMs))
        return Action::None;
    m_probing = true;
    m_answerDue = true;
    m_probeSentAt = now;
    m_countAtProbe = m_heardCount;
    return Action::Probe;
}
