#include "core/Site.h"

Site* Site::ms_instance = nullptr;

Site::Site() {
    ms_instance = this;
}

UserList Site::GetUserList() const {
    std::lock_guard<std::mutex> lock(m_listGuard);
    return m_list;
}

void Site::SetUserList(const UserList& list) {
    UserList copy(list);
    std::lock_guard<std::mutex> lock(m_listGuard);
    std::swap(m_list, copy);
}
