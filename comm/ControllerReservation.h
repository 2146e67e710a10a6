#pragma once
// Keeps the controller for this program while a whole transfer runs (a settings receive or send,
// a storage readout, ROVA tuning): another program that asks meanwhile is refused at once with
// "in use" instead of putting its commands between ours. Released when the object goes, whatever
// way the transfer ends. The link must be open.
#include "comm/Communication.h"

namespace qda {

class CControllerReservation {
public:
    explicit CControllerReservation(CCommunication& link) : m_link(link), m_held(link.ReserveController()) {}
    ~CControllerReservation() {
        if (m_held) m_link.ReleaseController();
    }
    CControllerReservation(const CControllerReservation&) = delete;
    CControllerReservation& operator=(const CControllerReservation&) = delete;

    // False when the controller could not be reserved (the link's LastLinkFailure says why).
    bool Held() const { return m_held; }

private:
    CCommunication& m_link;
    const bool m_held;
};

}  // namespace qda
