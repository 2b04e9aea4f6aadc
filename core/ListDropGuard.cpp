#include "core/ListDropGuard.h"

ListDropGuard::Verdict ListDropGuard::Judge(size_t taken, size_t fresh) {
    const bool fall = taken >= MIN_GUARDED && fresh * 2 < taken;
    if (!fall) {
        m_holding = false;
        return Verdict::TAKE;
    }
    if (m_holding) {
        m_holding = false;
        return Verdict::CONFIRM;
    }
    m_holding = true;
    return Verdict::HOLD;
}
