#include "ui/frame/AuthenticationDialog.h"

#include "resources/ImageStore.h"
#include "resources/Trace.h"
#include "ui/frame/PasswordKeyring.h"
#include "ui/frame/Preferences.h"
#include "ui/popup/PopupSettings.h"

#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>

// clang-format off
wxBEGIN_EVENT_TABLE(AuthenticationDialog, wxDialog)
    EVT_BUTTON(wxID_OK, AuthenticationDialog::OnOK)
wxEND_EVENT_TABLE();
// clang-format on

AuthenticationDialog::AuthenticationDialog(wxWindow* parent, wxWindowID id, const wxString& title,
                                           const wxPoint& pos, const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style) {
    wxLogTrace(ROD_TRACE, "[%p]AuthenticationDialog::AuthenticationDialog()", this);
    m_accountBox = new wxStaticBox(this, wxID_ANY, _("Account"));
    // Inside the box, which on this toolkit draws over siblings that it only surrounds.
    m_userNameLabel = new wxStaticText(m_accountBox, wxID_ANY, _("Username"));
    m_userNameField = new wxTextCtrl(m_accountBox, wxID_ANY, wxEmptyString);
    m_passwordLabel = new wxStaticText(m_accountBox, wxID_ANY, _("Password"));
    m_passwordField = new wxTextCtrl(m_accountBox, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                     wxDefaultSize, wxTE_PASSWORD);
    // Room for a long account name (twenty characters) at any font size.
    const int fieldWidth = m_userNameField->GetTextExtent(wxString('M', 20)).x;
    m_userNameField->SetMinSize(wxSize(fieldWidth, -1));
    m_passwordField->SetMinSize(wxSize(fieldWidth, -1));
    m_okButton = new wxButton(this, wxID_OK, _("OK"));
    m_cancelButton = new wxButton(this, wxID_CANCEL, _("Cancel"));
    // Enter in either field confirms, as in any account prompt.
    m_okButton->SetDefault();

    SetTitle(_("Authentication"));

    auto* topSizer = new wxBoxSizer(wxVERTICAL);
    auto* buttonSizer = new wxBoxSizer(wxHORIZONTAL);
    auto* accountSizer = new wxStaticBoxSizer(m_accountBox, wxVERTICAL);
    auto* grid = new wxFlexGridSizer(2, 2, 6, 8);
    grid->AddGrowableCol(1);
    grid->Add(m_userNameLabel, 0, wxALIGN_CENTER_VERTICAL, 0);
    grid->Add(m_userNameField, 1, wxEXPAND, 0);
    grid->Add(m_passwordLabel, 0, wxALIGN_CENTER_VERTICAL, 0);
    grid->Add(m_passwordField, 1, wxEXPAND, 0);
    accountSizer->Add(grid, 0, wxEXPAND | wxALL, 6);
    topSizer->Add(accountSizer, 0, wxEXPAND | wxALL, 8);
    buttonSizer->Add(m_okButton, 0, wxRIGHT, 4);
    buttonSizer->Add(m_cancelButton, 0, 0, 0);
    topSizer->Add(buttonSizer, 0, wxALL | wxALIGN_RIGHT, 4);
    SetAutoLayout(true);
    SetSizer(topSizer);
    topSizer->Fit(this);
    topSizer->SetSizeHints(this);
    Layout();

    const wxString account = ImageStore::GetConfig()->Read("/id", wxString());
    m_userNameField->SetValue(account);
    wxString password, why;
    if (!PopupSettings::ReadFlag(Preferences::PASSWORD_IN_KEYRING, false))
        password = ImageStore::GetConfig()->Read("/password", wxString());
    else if (!PasswordKeyring::Lookup(account, &password, &why))
        wxLogTrace(ROD_TRACE, "AuthenticationDialog: no password from the keyring: %s", why);
    m_passwordField->SetValue(password);
}

AuthenticationDialog::~AuthenticationDialog() {
    wxLogTrace(ROD_TRACE, "[%p]AuthenticationDialog::~AuthenticationDialog()", this);
}

void AuthenticationDialog::OnOK(wxCommandEvent& event) {
    wxLogTrace(ROD_TRACE, "[%p]AuthenticationDialog::OnOK()", this);
    // Kept in the keyring, the password never enters the file; a keyring that refuses keeps
    // the dialog open with the reason.
    if (PopupSettings::ReadFlag(Preferences::PASSWORD_IN_KEYRING, false)) {
        wxString why;
        if (!PasswordKeyring::Store(m_userNameField->GetValue(), m_passwordField->GetValue(),
                                    &why)) {
            wxMessageBox(why, _("Error"), wxOK | wxICON_ERROR | wxCENTRE, this);
            return;
        }
        ImageStore::GetConfig()->Write("/id", m_userNameField->GetValue());
    } else {
        auto config = ImageStore::GetConfig();
        config->Write("/id", m_userNameField->GetValue());
        config->Write("/password", m_passwordField->GetValue());
    }
    // The dialog's own OK handling ends the modal loop with wxID_OK.
    event.Skip();
}
