#include "serial/coverlapped.h"

#include "serial/cserialline.h"

namespace vantoro {

COverlapped::~COverlapped() {
    // The port must not complete an operation into a structure that is gone.
    if (m_pLine)
        m_pLine->ForgetPending(this);
}

} // namespace vantoro
