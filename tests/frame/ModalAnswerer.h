#pragma once

#include <wx/dialog.h>
#include <wx/modalhook.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

// Answers modal dialogs and message boxes in place of a user, in the order expected. A dialog
// that nobody expected fails the test and is cancelled, so a test never hangs on a modal loop.
class ModalAnswerer : public wxModalDialogHook {
public:
    struct Shown {
        std::string kind; // "message" or "dialog"
        std::string title;
        std::string message; // message boxes only
    };

    ModalAnswerer() { Register(); }
    ~ModalAnswerer() override { Unregister(); }

    // The next modal is answered by answer (which returns the ShowModal result).
    void Expect(std::function<int(wxDialog*)> answer) { m_answers.push_back(std::move(answer)); }
    size_t Pending() const { return m_answers.size(); }
    const std::vector<Shown>& GetShown() const { return m_shown; }

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog*) override {}

private:
    std::deque<std::function<int(wxDialog*)>> m_answers;
    std::vector<Shown> m_shown;
};
