#include "net/DownloadThread.h"

#include "core/HttpGet.h"
#include "net/DownloadResultEvent.h"
#include "net/DownloadThreadsModule.h"
#include "net/wxHTTP2.h"
#include "resources/Trace.h"

#include <wx/log.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

wxDEFINE_EVENT(wxEVT_DOWNLOAD_FINISHED, wxCommandEvent);

DownloadThread::DownloadThread(wxEvtHandler* target, int id, wxURL* url, wxHTTP* client,
                               int priority, wxThreadKind kind)
    : wxThread(kind), m_priority(priority), m_url(url), m_client(client),
      m_registered(DownloadThreadsModule::Register()),
      m_result(target && m_registered ? new DownloadResultEvent(target, id) : nullptr) {
    wxLogTrace(ROD_TRACE, "[%p]DownloadThread::DownloadThread(%p, %d)", this, target, id);
    // No Create() here: Run() creates the system thread, and an object whose system thread
    // exists can no longer simply be deleted when it is not to run after all.
}

DownloadThread::~DownloadThread() {
    wxLogTrace(ROD_TRACE, "[%p]DownloadThread::~DownloadThread(void)", this);
    delete m_url;
    delete m_client;
    // Still here only when Entry never ran, i.e. on the GUI thread that made it.
    delete m_result;
    // Still set when Entry never ran, or for a detached thread.
    if (m_registered)
        DownloadThreadsModule::Unregister();
}

bool DownloadThread::Start(wxEvtHandler* target, int id, wxURL* url, wxHTTP* client) {
    wxLogTrace(ROD_TRACE, "[static]DownloadThread::Start(%p, %d)", target, id);
    auto* thread = new DownloadThread(target, id, url, client, 0, wxTHREAD_JOINABLE);
    if (!thread->m_registered || thread->Run() != wxTHREAD_NO_ERROR) {
        delete thread;
        return false;
    }
    return true;
}

wxThread::ExitCode DownloadThread::Entry() {
    wxLogTrace(ROD_TRACE, "[%p]DownloadThread::Entry(void)", this);
    // wxThread::SetPriority cannot lower a normally scheduled thread here (it only warns);
    // the thread's nice value can: 0..50 maps to 19..0.
    if (m_priority < static_cast<int>(wxPRIORITY_DEFAULT)) {
        const int nice = (static_cast<int>(wxPRIORITY_DEFAULT) - std::max(m_priority, 0)) * 19 /
                         static_cast<int>(wxPRIORITY_DEFAULT);
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice);
    }
    size_t length = 0;
    FailureReason why;
    char* body = Download(&length, &why);
    const bool ok = body != nullptr;
    if (m_result) {
        m_result->SetResult(body, length, why.GetText());
        if (!DownloadThreadsModule::Relay(m_result)) {
            // The module gave up waiting for us and is gone. The weak reference inside may
            // only be destroyed on the GUI thread: free the block and leave the rest.
            m_result->SetResult(nullptr, 0);
        }
        m_result = nullptr;
    } else {
        delete[] body;
    }
    // Released here, on the thread that used them.
    delete m_url;
    m_url = nullptr;
    delete m_client;
    m_client = nullptr;
    if (!IsDetached() && m_registered) {
        m_registered = false;
        DownloadThreadsModule::Ended(this);
    }
    return reinterpret_cast<ExitCode>(static_cast<wxUIntPtr>(ok ? 0 : 1));
}

char* DownloadThread::Download(size_t* length, FailureReason* why) {
    *length = 0;
    *why = FailureReason(FailureReason::Kind::OTHER, "not a web address");
    // The toolkit knows no protocol for https: such a URL is fine all the same.
    const bool secure = m_url && m_url->GetScheme().IsSameAs("https", false);
    if (!m_url ||
        (m_url->GetError() != wxURL_NOERR && !(secure && m_url->GetError() == wxURL_NOPROTO)))
        return nullptr;

    // The caller's client carries its headers and credentials; without one (or with one of
    // the toolkit's, which cannot speak https or be stopped), a client of our own makes the
    // same request with the URL's credentials.
    std::unique_ptr<wxHTTP2> own;
    auto* client = dynamic_cast<HttpClient*>(m_client);
    if (!client) {
        own = std::make_unique<wxHTTP2>();
        if (m_client)
            own->SetTimeout(m_client->GetTimeout());
        else if (m_url->GetError() == wxURL_NOERR)
            own->SetTimeout(m_url->GetProtocol().GetTimeout());
        if (m_url->HasUserInfo()) {
            own->SetUser(wxURI::Unescape(m_url->GetUser()));
            own->SetPassword(wxURI::Unescape(m_url->GetPassword()));
        }
        client = own.get();
    }
    std::unique_ptr<wxInputStream> stream(HttpGet::Open(*client, m_url->BuildURI(), why));
    if (!stream)
        return nullptr;

    const FailureReason tooLarge(FailureReason::Kind::TOO_LARGE,
                                 wxString::Format("body larger than %zu bytes", MAX_BODY));
    // (size_t)-1 when the length is not known beforehand.
    const size_t expected = stream->GetSize();
    if (expected != static_cast<size_t>(-1) && expected > MAX_BODY) {
        *why = tooLarge;
        return nullptr;
    }

    std::vector<char> received;
    if (expected != static_cast<size_t>(-1))
        received.reserve(expected);
    char buffer[16384];
    for (;;) {
        stream->Read(buffer, sizeof buffer);
        const size_t got = stream->LastRead();
        // Counted here: a body that announced no length (or a compressed one) is only known
        // to be too long once it is.
        if (received.size() + got > MAX_BODY) {
            *why = tooLarge;
            return nullptr;
        }
        received.insert(received.end(), buffer, buffer + got);
        if (stream->GetLastError() != wxSTREAM_NO_ERROR)
            break;
    }
    // The stream ends only where the body is whole: a cut, late or stopped transfer is an
    // error, never a short body.
    if (stream->GetLastError() != wxSTREAM_EOF) {
        *why = client->GetFailure();
        return nullptr;
    }
    *why = FailureReason();

    char* block = new char[received.size()];
    if (!received.empty())
        std::memcpy(block, received.data(), received.size());
    *length = received.size();
    return block;
}
