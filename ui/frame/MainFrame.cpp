#include "ui/frame/MainFrame.h"

#include "core/DaemonThread.h"
#include "core/Site.h"
#include "core/SiteEndpoints.h"
#include "core/UserListEvent.h"
#include "net/DownloadThread.h"
#include "net/wxHTTP2.h"
#include "resources/ImageStore.h"
#include "resources/Trace.h"
#include "resources/Util.h"
#include "ui/frame/AuthenticationDialog.h"
#include "ui/frame/ConnectionWindow.h"
#include "ui/frame/FavoritesReplyParser.h"
#include "ui/frame/InstanceHandover.h"
#include "ui/frame/LoginQuery.h"
#include "ui/frame/NetworkWatch.h"
#include "ui/frame/NotifyIcon.h"
#include "ui/frame/PasswordKeyring.h"
#include "ui/frame/Preferences.h"
#include "ui/frame/PreferencesDialog.h"
#include "ui/frame/SleepWatch.h"
#include "ui/history/HistoryService.h"
#include "ui/popup/PopupDialogManager.h"
#include "ui/popup/PopupSettings.h"
#include "ui/trees/AllTreeCtrl.h"
#include "ui/trees/FavoriteTreeCtrl.h"

#include <wx/app.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/url.h>

#include <memory>

// clang-format off
wxBEGIN_EVENT_TABLE(MainFrame, wxFrame)
    EVT_DOWNLOAD_FINISHED(wxID_ANY, MainFrame::OnDownloadFinished)
    EVT_ICONIZE(MainFrame::OnIconize)
    EVT_MENU(wxID_ANY, MainFrame::OnMenu)
    EVT_COMMAND(wxID_ANY, wxEVT_TRAY_CHANGED, MainFrame::OnTrayChanged)
wxEND_EVENT_TABLE();
// clang-format on

namespace {
const long TREE_STYLE =
    wxTR_HAS_BUTTONS | wxTR_NO_LINES | wxTR_LINES_AT_ROOT | wxTR_HIDE_ROOT | wxSUNKEN_BORDER;

void PutInPage(wxPanel* page, wxWindow* tree) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(tree, 1, wxEXPAND, 0);
    page->SetAutoLayout(true);
    page->SetSizer(sizer);
    sizer->Fit(page);
    sizer->SetSizeHints(page);
}
} // namespace

MainFrame::MainFrame(StartMode mode)
    : wxFrame(nullptr, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
              wxDEFAULT_FRAME_STYLE),
      m_menuBar(nullptr), m_allTree(nullptr), m_allPage(nullptr), m_favoriteTree(nullptr),
      m_favoritePage(nullptr), m_notebook(nullptr), m_thread(nullptr), m_popupManager(nullptr),
      m_notifyIcon(nullptr), m_favoritesLoaded(false) {
    wxLogTrace(ROD_TRACE, "[%p]MainFrame::MainFrame()", this);
    // The site's give-up and the pop-up manager's favourites filter both address the
    // application's top window; without this they could reach the splash screen instead.
    if (wxTheApp)
        wxTheApp->SetTopWindow(this);

    m_notebook = new wxNotebook(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, 0, "notebook");
    m_favoritePage = new wxPanel(m_notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                 wxTAB_TRAVERSAL | wxNO_BORDER);
    m_allPage = new wxPanel(m_notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                            wxTAB_TRAVERSAL | wxNO_BORDER);

    m_menuBar = new wxMenuBar(0);
    SetMenuBar(m_menuBar);
    auto* fileMenu = new wxMenu(wxEmptyString, 0);
    fileMenu->Append(wxID_EXIT, _("E&xit"), wxEmptyString, wxITEM_NORMAL);
    auto* toolMenu = new wxMenu(wxEmptyString, 0);
    toolMenu->Append(ID_UPDATE_FAVORITE, _("&UpdateFavorite"), wxEmptyString, wxITEM_NORMAL);
    toolMenu->Append(ID_POPUP_ONLY_FAVORITE, _("&PopupOnlyFavorite"), wxEmptyString, wxITEM_CHECK);
    toolMenu->Append(ID_PREFERENCES, _("Pr&eferences..."), wxEmptyString, wxITEM_NORMAL);
    toolMenu->Append(ID_PAUSE_POPUPS, _("P&ause pop-ups"), wxEmptyString, wxITEM_CHECK);
    toolMenu->Append(ID_RECENT, _("&Recent..."), wxEmptyString, wxITEM_NORMAL);
    toolMenu->Append(ID_CONNECTION, _("&Connection..."), wxEmptyString, wxITEM_NORMAL);
    m_menuBar->Append(fileMenu, _("&File"));
    m_menuBar->Append(toolMenu, _("&Tool"));

    m_allTree = new AllTreeCtrl(m_allPage, wxID_ANY, wxDefaultPosition, wxDefaultSize, TREE_STYLE);
    m_favoriteTree = new FavoriteTreeCtrl(m_favoritePage, wxID_ANY, wxDefaultPosition,
                                          wxDefaultSize, TREE_STYLE);

    SetTitle(_("Orlavin ZirovUdaroro"));

    PutInPage(m_allPage, m_allTree);
    PutInPage(m_favoritePage, m_favoriteTree);
    m_notebook->AddPage(m_allPage, _("All"), false);
    m_notebook->AddPage(m_favoritePage, _("Favorite"), false);
    auto* frameSizer = new wxBoxSizer(wxVERTICAL);
    frameSizer->Add(m_notebook, 1, wxEXPAND, 0);
    SetAutoLayout(true);
    SetSizer(frameSizer);
    Layout();

    // The stored choice shows, but has no effect until favourites are loaded.
    m_menuBar->Check(ID_POPUP_ONLY_FAVORITE,
                     PopupSettings::ReadFlag("/PopupDialog/onlyFavorite", false));
    m_menuBar->Enable(ID_POPUP_ONLY_FAVORITE, false);

    m_favoritePage->Enable(false);
    m_popupManager = new PopupDialogManager();
    m_history = new HistoryService(this, m_popupManager->GetRecent());
    m_history->OfferIn(m_favoriteTree, m_allTree);

    ImageStore* store = ImageStore::GetInstance();
    if (store)
        SetIcon(store->GetIcon("Application_icon"));

    long x, y, width, height;
    {
        auto config = ImageStore::GetConfig();
        x = config->ReadLong("/MainFrame/x", -1);
        y = config->ReadLong("/MainFrame/y", -1);
        width = config->ReadLong("/MainFrame/width", 240);
        height = config->ReadLong("/MainFrame/height", 480);
    }
    SetSize(static_cast<int>(x), static_cast<int>(y), static_cast<int>(width),
            static_cast<int>(height), wxSIZE_AUTO);

    if (mode == START_REFRESH)
        StartRefresh();
    else
        CallAfter(&MainFrame::AskForSiteThenRefresh);

    m_notifyIcon = new NotifyIcon(this, store ? store->GetIcon("Application_icon") : wxIcon(),
                                  wxTheApp ? wxTheApp->GetAppName() : wxString());
    m_notifyIcon->SetSiteSet(!SiteEndpoints::IsPlaceholder(SiteEndpoints::WebHost()));
    m_favoriteTree->SetOnlineChangedHandler([this] {
        if (m_notifyIcon)
            m_notifyIcon->SetFavoritesOnline(m_favoriteTree->GetOnlineNames());
    });

    // A pause lasts beyond the end of a run.
    if (PopupSettings::Paused())
        SetPopupsPaused(true);
    // Hidden only where the tray can bring it back; never while asking for the site.
    const bool startInTray =
        mode == START_REFRESH && PopupSettings::ReadFlag("/Session/startInTray", false);
    if (!startInTray || !CanHideToTray()) {
        m_hideWhenInTray = startInTray;
        Show(true);
        Raise();
    }
    m_handover = std::make_unique<InstanceHandover>(this);
}

MainFrame::~MainFrame() {
    wxLogTrace(ROD_TRACE, "[%p]MainFrame::~MainFrame()", this);
    // Joinable: returns only once the thread has ended, so nothing is posted to the handlers
    // deleted below.
    if (m_thread) {
        m_thread->Delete();
        delete m_thread;
        m_thread = nullptr;
    }
    m_sleep.reset();
    m_network.reset();
    m_handover.reset();
    // Before the pop-up manager, whose announcements it keeps.
    delete m_history;
    m_history = nullptr;
    delete m_notifyIcon;
    m_notifyIcon = nullptr;
    delete m_popupManager;
    m_popupManager = nullptr;
    // A window of its own: the host would otherwise wait for it to close.
    if (m_connectionWindow)
        m_connectionWindow->Destroy();

    const wxRect rect = GetRect();
    auto config = ImageStore::GetConfig();
    config->Write("/MainFrame/x", static_cast<long>(rect.x));
    config->Write("/MainFrame/y", static_cast<long>(rect.y));
    config->Write("/MainFrame/width", static_cast<long>(rect.width));
    config->Write("/MainFrame/height", static_cast<long>(rect.height));
    // Favourites belong to one run: the next run knows none until the user updates them.
    config->DeleteEntry("/favorites", true);
}

void MainFrame::StartRefresh() {
    Site* site = Site::GetInstance();
    if (!site)
        return;
    m_thread = new DaemonThread(site, wxTHREAD_JOINABLE, 0, 0);
    m_thread->AddEventHandler(m_allTree);
    m_thread->AddEventHandler(m_popupManager);
    m_history->Watch(*m_thread);
    // Offline or asleep nothing is asked; when the network or the machine is back, the
    // refresh comes at once.
    const auto refreshNow = [this] {
        if (m_thread)
            m_thread->RefreshSoon();
    };
    m_network = std::make_unique<NetworkWatch>(refreshNow);
    m_sleep = std::make_unique<SleepWatch>([this] { m_history->Sleep(); },
                                           [this, refreshNow] {
                                               m_history->Wake();
                                               refreshNow();
                                           });
    if (m_thread->Run() != wxTHREAD_NO_ERROR)
        wxLogTrace(ROD_TRACE, "[%p]MainFrame::StartRefresh(): the thread did not start", this);
}

// OK starts with the hosts given, Cancel with the placeholders; an exit chosen meanwhile
// starts nothing.
void MainFrame::AskForSiteThenRefresh() {
    ShowPreferences(true);
    if (!m_exitAfterModal)
        StartRefresh();
}

void MainFrame::ShowPreferences(bool askForSite) {
    PreferencesDialog dialog(this, askForSite);
    if (m_history->CanClear())
        dialog.SetHistoryClearer([this] { m_history->Clear(); });
    dialog.SetSoundPlayer(
        [this](const AnnouncementSettings& settings) { m_popupManager->PlaySound(settings); });
    dialog.SetAnnouncementTester(
        [this](PopupSettings::Style style, const AnnouncementSettings& settings) {
            m_popupManager->AnnounceTest(style, settings);
        });
    if (RunModal(dialog) != wxID_OK)
        return;
    m_history->SettingsChanged();
    m_menuBar->Check(ID_POPUP_ONLY_FAVORITE, dialog.GetSaved().onlyFavorite);
    SetPopupsPaused(dialog.GetSaved().paused);
    m_allTree->SetSortByName(dialog.GetSaved().sortByName);
    m_favoriteTree->SetSortByName(dialog.GetSaved().sortByName);
    if (m_notifyIcon)
        m_notifyIcon->SetSiteSet(!SiteEndpoints::IsPlaceholder(SiteEndpoints::WebHost()));
    if (m_network)
        m_network->Check();
    // New hosts or a shorter interval should not wait out the old interval.
    if (m_thread)
        m_thread->RefreshSoon();
}

void MainFrame::ShowConnection() {
    if (!m_connectionWindow)
        m_connectionWindow = new ConnectionWindow([this] { ShowPreferences(false); });
    m_connectionWindow->ShowStatus();
    m_connectionWindow->Show();
    m_connectionWindow->Raise();
}

int MainFrame::RunModal(wxDialog& dialog) {
    m_modal = &dialog;
    const int result = dialog.ShowModal();
    m_modal = nullptr;
    if (m_exitAfterModal)
        Destroy();
    return result;
}

bool MainFrame::CanHideToTray() const {
    return m_notifyIcon && m_notifyIcon->IsInTray();
}

void MainFrame::OnTrayChanged(wxCommandEvent& event) {
    wxLogTrace(ROD_TRACE, "[%p]MainFrame::OnTrayChanged(%d)", this, event.GetInt());
    // Only right after the start: a tray that comes later does not take the window away.
    const bool early = std::chrono::steady_clock::now() - m_started < std::chrono::seconds(5);
    if (m_hideWhenInTray && early && event.GetInt() && IsShown() && !m_modal)
        Show(false);
    m_hideWhenInTray = false;
}

void MainFrame::OnIconize(wxIconizeEvent& event) {
    wxLogTrace(ROD_TRACE, "[%p]MainFrame::OnIconize(%d)", this, event.IsIconized());
    // A hidden frame is in the tray, and only the tray's commands bring it back. The window
    // manager's withdrawal of a hidden window reads as a restore on this toolkit: showing the
    // frame then would make it flicker between the two states.
    if (!IsShown())
        return;
    if (event.IsIconized()) {
        // Without a tray the frame stays an ordinary minimised window, reachable from the
        // desktop; hiding it would leave no way back.
        if (CanHideToTray())
            Show(false);
    } else {
        Raise();
    }
}

void MainFrame::OnMenu(wxCommandEvent& event) {
    wxLogTrace(ROD_TRACE, "[%p]MainFrame::OnMenu(%d)", this, event.GetId());
    const int favorite = event.GetId() - NotifyIcon::ID_FAVORITE_FIRST;
    if (favorite >= 0 && static_cast<size_t>(favorite) < NotifyIcon::MENU_FAVORITES) {
        Util::LaunchBrowser(UserListTreeCtrl::PreviewAddress(event.GetString()));
        return;
    }
    switch (event.GetId()) {
    case wxID_OPEN:
        // A frame hidden while minimised would map again minimised, out of sight with the
        // tray as its only way back: it is restored while still hidden, then shown.
        if (!IsShown() || IsIconized())
            Iconize(false);
        Show(true);
        Raise();
        // A second start finds the program asking something: the question comes first.
        if (m_modal)
            m_modal->Raise();
        break;
    case wxID_CLOSE:
        Show(false);
        break;
    case wxID_EXIT:
        // Deleting the frame under its running dialog would delete the dialog too: the
        // dialog ends first, the exit follows.
        if (m_modal) {
            m_exitAfterModal = true;
            if (m_modal->IsModal())
                m_modal->EndModal(wxID_CANCEL);
            break;
        }
        Destroy();
        break;
    case ID_PREFERENCES:
        ShowPreferences(false);
        break;
    case ID_UPDATE_FAVORITE:
        UpdateFavorites();
        break;
    case ID_POPUP_ONLY_FAVORITE:
        ImageStore::GetConfig()->Write("/PopupDialog/onlyFavorite", event.IsChecked());
        break;
    case ID_PAUSE_POPUPS:
        SetPopupsPaused(event.IsChecked());
        break;
    case ID_CONNECTION:
        ShowConnection();
        break;
    case ID_RECENT:
        m_popupManager->ShowRecent();
        break;
    default:
        wxLogTrace(ROD_TRACE, "[%p]MainFrame::OnMenu(): unknown command %d of type %d", this,
                   event.GetId(), event.GetEventType());
        break;
    }
}

void MainFrame::SetPopupsPaused(bool paused) {
    wxLogTrace(ROD_TRACE, "[%p]MainFrame::SetPopupsPaused(%d)", this, paused);
    m_popupManager->SetPaused(paused);
    ImageStore::GetConfig()->Write("/PopupDialog/paused", paused);
    m_menuBar->Check(ID_PAUSE_POPUPS, paused);
    if (m_notifyIcon)
        m_notifyIcon->SetPopupsPaused(paused);
}

bool MainFrame::ArePopupsPaused() const {
    return m_popupManager->IsPaused();
}

void MainFrame::UpdateFavorites() {
    wxLogTrace(ROD_TRACE, "[%p]MainFrame::UpdateFavorites()", this);
    if (!m_favoritesLoaded) {
        AuthenticationDialog dialog(this, wxID_ANY, _("Authentication"));
        if (RunModal(dialog) != wxID_OK)
            return;
    }
    wxString id, password;
    {
        auto config = ImageStore::GetConfig();
        id = config->Read("/id", wxString());
        password = config->Read("/password", wxString());
    }
    wxString why;
    // A locked keyring whose prompt is dismissed answers with no password and no error: that is
    // a failed login too, never a login with an empty password.
    if (PopupSettings::ReadFlag(Preferences::PASSWORD_IN_KEYRING, false) &&
        (!PasswordKeyring::Lookup(id, &password, &why) || password.empty())) {
        if (why.empty())
            why = wxString::Format(_("The keyring gave no password for %s: it is locked, or its "
                                     "prompt was dismissed."),
                                   id);
        wxLogWarning("login check: %s", why);
        wxMessageBox(_("Could not login.") + "\n" + why, _("Error"), wxOK | wxICON_ERROR | wxCENTRE,
                     nullptr);
        return;
    }
    auto* url = new wxURL(SiteEndpoints::WebUrl(LoginQuery::Build(id, password)));
    // Straight to the site, never through the proxy, and the password in the query never
    // redirected elsewhere.
    auto* client = new wxHTTP2();
    client->SetProxy(wxString());
    client->SetSecretQuery(true);
    client->SetTimeout(LOGIN_TIMEOUT_SECONDS);
    if (!DownloadThread::Start(this, wxID_ANY, url, client))
        wxLogTrace(ROD_TRACE, "[%p]MainFrame::UpdateFavorites(): the download did not start", this);
}

void MainFrame::OnDownloadFinished(wxCommandEvent& event) {
    wxLogTrace(ROD_TRACE, "[%p]MainFrame::OnDownloadFinished(%d)", this, event.GetInt());
    std::unique_ptr<char[]> body(static_cast<char*>(event.GetClientData()));
    event.SetClientData(nullptr);
    if (!body) {
        wxLogWarning("login check: %s", event.GetString());
        // Before the first success a failure means a wrong account or no service; later
        // the favourites already shown stay.
        if (!m_favoritesLoaded)
            wxMessageBox(_("Could not login."), _("Error"), wxOK | wxICON_ERROR | wxCENTRE,
                         nullptr);
        return;
    }
    ApplyFavorites(body.get(), static_cast<size_t>(std::max(0, event.GetInt())));
}

void MainFrame::ApplyFavorites(const char* body, size_t length) {
    FavoritesReplyParser parser;
    parser.Parse(body, length);

    if (!m_favoritesLoaded) {
        m_favoritePage->Enable(true);
        m_favoriteTree->CreateGroups();
        const int page = m_notebook->FindPage(m_favoritePage);
        if (page != wxNOT_FOUND)
            m_notebook->SetSelection(static_cast<size_t>(page));
        m_menuBar->Enable(ID_POPUP_ONLY_FAVORITE, true);
    }

    const auto postFavorites = [&](const UserList& current) {
        UserList favorites;
        for (const wxString& name : parser.GetNames()) {
            if (const User* user = current.FindUser(name))
                favorites.AddUser(*user);
            else
                favorites.AddUser(User(name, 0));
        }
        UserListEvent listEvent(wxEVT_USER_LIST_INITIALIZED, 0);
        listEvent.SetUserList(favorites);
        // The queue the refresh thread posts to, so that its later events come after this.
        static_cast<wxEvtHandler*>(m_favoriteTree)->AddPendingEvent(listEvent);
    };
    // A refresh between copying the list and registering the tree would be lost to the tree,
    // and events queued before the list would meet an empty tree: the thread does all three
    // as one step with its posting.
    if (m_thread)
        m_thread->RegisterWithCurrentList(m_favoriteTree, postFavorites);
    else
        postFavorites(Site::GetInstance() ? Site::GetInstance()->GetUserList() : UserList());

    ImageStore::GetConfig()->Write("/favorites", parser.GetFavoritesValue());
    m_favoritesLoaded = true;
}
