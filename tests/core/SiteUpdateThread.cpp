#include "tests/core/SiteUpdateThread.h"

wxThread::ExitCode SiteUpdateThread::Entry() {
    result = m_site->UpdateUserList();
    finished = true;
    return nullptr;
}
