#pragma once

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

// The modal dialog that asks for the site account. It shows the stored "/id" and "/password"
// and stores what the fields hold when OK is pressed; it checks nothing itself.
class AuthenticationDialog : public wxDialog {
public:
    AuthenticationDialog(wxWindow* parent, wxWindowID id, const wxString& title,
                         const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                         long style = wxDEFAULT_DIALOG_STYLE);
    ~AuthenticationDialog() override;

    wxTextCtrl* GetUserNameField() const { return m_userNameField; }
    wxTextCtrl* GetPasswordField() const { return m_passwordField; }

private:
    void OnOK(wxCommandEvent& event);

    wxStaticBox* m_accountBox;
    wxStaticText* m_userNameLabel;
    wxTextCtrl* m_userNameField;
    wxStaticText* m_passwordLabel;
    wxTextCtrl* m_passwordField;
    wxButton* m_okButton;
    wxButton* m_cancelButton;

    wxDECLARE_EVENT_TABLE();
};
