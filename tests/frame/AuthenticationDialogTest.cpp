// The account dialog in a real modal loop, answered with real clicks.
#include "ui/frame/AuthenticationDialog.h"
#include "resources/ImageStore.h"
#include "tests/frame/FrameTestSupport.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <wx/statbox.h>

using namespace frametest;

namespace {

int RunAndClick(AuthenticationDialog& dialog, int buttonId,
                const std::function<void(AuthenticationDialog&)>& edit) {
    return RunModalWith(dialog, [&] {
        edit(dialog);
        ClickButton(dialog, buttonId);
    });
}

void Type(AuthenticationDialog& dialog, const wxString& id, const wxString& password) {
    dialog.GetUserNameField()->SetValue(id);
    dialog.GetPasswordField()->SetValue(password);
}

wxString Stored(const char* key) {
    return ImageStore::GetConfig()->Read(key, "<absent>");
}

} // namespace

TEST(AuthenticationDialog, OkStoresTheFieldsAndTheNextDialogShowsThem) {
    TestEnvironment::ResetConfig();
    {
        AuthenticationDialog dialog(nullptr, wxID_ANY, "some other title");
        EXPECT_EQ("Authentication", dialog.GetTitle());
        EXPECT_EQ("", dialog.GetUserNameField()->GetValue());
        EXPECT_EQ("", dialog.GetPasswordField()->GetValue());
        EXPECT_TRUE(dialog.GetPasswordField()->HasFlag(wxTE_PASSWORD));
        EXPECT_FALSE(dialog.GetUserNameField()->HasFlag(wxTE_PASSWORD));
        EXPECT_EQ(wxID_OK, RunAndClick(dialog, wxID_OK, [](AuthenticationDialog& d) {
                      Type(d, "ann", wxString::FromUTF8("p\xc3\xa4ss w&rd"));
                  }));
    }
    EXPECT_EQ("ann", Stored("/id"));
    EXPECT_EQ(wxString::FromUTF8("p\xc3\xa4ss w&rd"), Stored("/password"));

    AuthenticationDialog again(nullptr, wxID_ANY, "Authentication");
    EXPECT_EQ("ann", again.GetUserNameField()->GetValue());
    EXPECT_EQ(wxString::FromUTF8("p\xc3\xa4ss w&rd"), again.GetPasswordField()->GetValue());
    EXPECT_TRUE(again.GetPasswordField()->HasFlag(wxTE_PASSWORD));
}

TEST(AuthenticationDialog, CancelKeepsTheStoredValuesAndEmptyFieldsAreStoredOnOk) {
    TestEnvironment::ResetConfig();
    {
        auto config = ImageStore::GetConfig();
        config->Write("/id", "kept");
        config->Write("/password", "kept too");
    }
    {
        AuthenticationDialog dialog(nullptr, wxID_ANY, "Authentication");
        EXPECT_EQ(wxID_CANCEL, RunAndClick(dialog, wxID_CANCEL, [](AuthenticationDialog& d) {
                      Type(d, "changed", "changed");
                  }));
    }
    EXPECT_EQ("kept", Stored("/id"));
    EXPECT_EQ("kept too", Stored("/password"));

    {
        AuthenticationDialog dialog(nullptr, wxID_ANY, "Authentication");
        EXPECT_EQ(wxID_OK,
                  RunAndClick(dialog, wxID_OK, [](AuthenticationDialog& d) { Type(d, "", ""); }));
    }
    EXPECT_EQ("", Stored("/id"));
    EXPECT_EQ("", Stored("/password"));
}

// Each field whole inside the box and the dialog, as high as its text needs and wide enough
// for a long account name, at any text size (a run of its own has large text).
TEST(AuthenticationDialog, TheFieldsAreNotCut) {
    TestEnvironment::ResetConfig();
    AuthenticationDialog dialog(nullptr, wxID_ANY, "Authentication");
    std::vector<wxRect> fields;
    wxRect box, client;
    RunModalWith(dialog, [&] {
        for (wxTextCtrl* field : {dialog.GetUserNameField(), dialog.GetPasswordField()}) {
            fields.push_back(field->GetScreenRect());
            EXPECT_GE(field->GetSize().y, field->GetBestSize().y);
            EXPECT_GE(field->GetSize().x, field->GetTextExtent(wxString('M', 20)).x);
        }
        for (wxWindow* child : dialog.GetChildren())
            if (dynamic_cast<wxStaticBox*>(child))
                box = child->GetScreenRect();
        client = wxRect(dialog.ClientToScreen(wxPoint(0, 0)), dialog.GetClientSize());
        dialog.EndModal(wxID_CANCEL);
    });
    ASSERT_EQ(fields.size(), 2u);
    for (const wxRect& field : fields) {
        EXPECT_TRUE(box.Contains(field));
        EXPECT_TRUE(client.Contains(field));
    }
}
