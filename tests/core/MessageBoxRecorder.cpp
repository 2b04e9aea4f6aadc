#include "tests/core/MessageBoxRecorder.h"

#include <wx/msgdlg.h>
#include <wx/thread.h>

int MessageBoxRecorder::Enter(wxDialog* dialog) {
    Box box{wxString(), dialog->GetTitle(), 0, wxThread::IsMain(), false};
    if (auto* message = dynamic_cast<wxMessageDialog*>(dialog)) {
        box.message = message->GetMessage();
        box.caption = message->GetCaption();
        box.style = message->GetMessageDialogStyle();
        box.isMessageBox = true;
    }
    if (whileShown)
        whileShown();
    boxes.push_back(box);
    ++m_count;
    return wxID_OK;
}
