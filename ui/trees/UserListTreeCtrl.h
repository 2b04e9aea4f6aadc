#pragma once

#include "core/UserEvent.h"
#include "core/UserListEvent.h"
#include "ui/trees/TreeAccessible.h"
#include "ui/trees/UserRowIndex.h"

#include <wx/treectrl.h>

#include <functional>
#include <memory>

class wxImageList;

// The common base of the performer trees: every performer one row under the (hidden) root,
// the row lookup by name, and the "Profile" command that opens a performer's preview page,
// from the context menu of a user row or by activating the row; where a handler is set, the
// menu also offers "When online...". The derived trees put their own user-event handlers in
// front of these through their event tables.
class UserListTreeCtrl : public wxTreeCtrl {
public:
    enum { ID_PROFILE = 5000, ID_WHEN_ONLINE = 6100 };

    UserListTreeCtrl(wxWindow* parent, wxWindowID id = wxID_ANY,
                     const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                     long style = wxTR_DEFAULT_STYLE,
                     const wxValidator& validator = wxDefaultValidator,
                     const wxString& name = wxTreeCtrlNameStr);

    // The first user row below parent whose name equals the user's exactly, searching a
    // child's subtree (when recursive) before the child itself; invalid when there is none.
    // A name held by one row only is answered from the index of rows by name.
    wxTreeItemId FindItem(const User& user, const wxTreeItemId& parent, bool recursive) const;

    // Every way a row's data enters or leaves the tree keeps the index in step.
    void SetItemData(const wxTreeItemId& item, wxTreeItemData* data) override;
    // A new text reaches the screen reader too.
    void SetItemText(const wxTreeItemId& item, const wxString& text) override;

    // "When online..." in the context menu calls handler with the row's performer; an empty
    // handler takes the item out of the menu.
    void SetWhenOnlineHandler(const std::function<void(const wxString&)>& handler) {
        m_whenOnline = handler;
    }

    // The preview page of a performer, the name appended as it is.
    static wxString PreviewAddress(const wxString& name);

protected:
    wxTreeItemId DoInsertItem(const wxTreeItemId& parent, size_t previous, const wxString& text,
                              int image, int selectedImage, wxTreeItemData* data) override;

    // Adds the skin picture to the list; -1 when the skin does not have it (the list refuses
    // an invalid bitmap).
    static int AddSkinImage(wxImageList* images, const wxString& key);
    // The icon of an online performer: free wins over busy, online without either is free;
    // -1 when neither flag nor online is set.
    static int OnlineIcon(unsigned long status, int freeIcon, int busyIcon);

    void OnMenu(wxCommandEvent& event);
    void OnTreeItemActivated(wxTreeEvent& event);
    void OnTreeItemRightClick(wxTreeEvent& event);
    void OnUserAdded(UserEvent& event);
    void OnUserChanged(UserEvent& event);
    void OnUserDeleted(UserEvent& event);
    void OnUserListInitialized(UserListEvent& event);

private:
    // The depth-first walk that defines which row FindItem answers.
    wxTreeItemId FindItemByWalk(const wxString& name, const wxTreeItemId& parent,
                                bool recursive) const;
    bool IsBelow(const wxTreeItemId& item, const wxTreeItemId& parent, bool recursive) const;
    void IndexRow(wxTreeItemData* data);

    UserRowIndex m_rows;
    std::unique_ptr<TreeAccessible> m_accessible;
    std::function<void(const wxString&)> m_whenOnline;

    wxDECLARE_EVENT_TABLE();
};
