#include "tests/frame/ModalAnswerer.h"

#include <gtest/gtest.h>
#include <wx/msgdlg.h>

int ModalAnswerer::Enter(wxDialog* dialog) {
    Shown shown;
    if (auto* box = dynamic_cast<wxMessageDialog*>(dialog)) {
        shown.kind = "message";
        shown.message = box->GetMessage().utf8_string();
        shown.title = box->GetCaption().utf8_string();
    } else {
        shown.kind = "dialog";
        shown.title = dialog->GetTitle().utf8_string();
    }
    m_shown.push_back(shown);
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected modal " << shown.kind << " \"" << shown.title << "\" "
                      << shown.message;
        return wxID_CANCEL;
    }
    auto answer = std::move(m_answers.front());
    m_answers.pop_front();
    return answer(dialog);
}
