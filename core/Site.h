#pragma once

#include "core/UserList.h"

#include <mutex>

// The watched site: a process-wide singleton holding the performers online at the last
// successful refresh. The list is replaced on the refresh thread and copied on the GUI
// thread, so both go through one guard.
class Site {
public:
    static Site* GetInstance() { return ms_instance; }

    Site();
    virtual ~Site() = default;

    // A copy, taken under the list's guard.
    UserList GetUserList() const;
    void SetUserList(const UserList& list);

    // Milliseconds until the next refresh, or 0 when there is no new list: the download failed,
    // or its list is held back until the next one confirms it.
    virtual int UpdateUserList() = 0;
    // After UpdateUserList returned 0: milliseconds to wait before the next try, or GAVE_UP
    // when the site has given up (the user was told and the user interface closes), after
    // which no download may follow.
    virtual int GetRetryDelay() const = 0;
    static constexpr int GAVE_UP = -1;
    virtual bool OnInit() = 0;
    virtual void OnExit() = 0;

private:
    static Site* ms_instance;
    mutable std::mutex m_listGuard;
    UserList m_list;
};
