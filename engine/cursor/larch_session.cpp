// Sessions, databases and the resolution of a dataset's database name.
#include "engine/cursor/larch_session.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <mutex>

#include "dataset/database_error.h"
#include "dataset/dataset_errors.h"
#include "dataset/field_defs.h"

namespace larch {
namespace {

std::recursive_mutex g_sessionMutex;

bool MatchesDatPattern(const std::string& name) {
    return name.size() >= 4 && hollin::SameName(name.substr(name.size() - 4), ".DAT");
}

}  // namespace

bool IsFolderName(const std::string& name) { return name.find_first_of(":\\/") != std::string::npos; }

// ------------------------------------------------------------ database

TLarchDatabase::TLarchDatabase(TLarchSession* session)
    : m_session(session ? session : &TLarchSessionList::Instance().DefaultSession()) {
    m_session->AddDatabase(this);
}

TLarchDatabase::~TLarchDatabase() {
    m_connected = false;
    m_session->RemoveDatabase(this);
}

void TLarchDatabase::SetDatabaseName(const std::string& name) {
    if (m_connected) hollin::DatabaseError("Cannot perform this operation on an open database.");
    if (!m_temporary && IsFolderName(name)) hollin::DatabaseErrorFmt("Database name %s is not valid.", {name});
    TLarchDatabase* other = m_session->FindDatabase(name);
    if (other && other != this && !name.empty()) hollin::DatabaseErrorFmt("Database name %s already exists.", {name});
    m_databaseName = name;
}

void TLarchDatabase::SetDirectory(const std::string& directory) {
    if (m_connected) hollin::DatabaseError("Cannot perform this operation on an open database.");
    m_directory = directory;
}

const std::string& TLarchDatabase::SessionName() const { return m_session->SessionName(); }

void TLarchDatabase::SetSessionName(const std::string& name) {
    if (m_connected) hollin::DatabaseError("Cannot perform this operation on an open database.");
    TLarchSession& target = TLarchSessionList::Instance().SessionByName(name);
    if (&target == m_session) return;
    m_session->RemoveDatabase(this);
    m_session = &target;
    m_session->AddDatabase(this);
}

void TLarchDatabase::SetConnected(bool value) {
    if (value == m_connected) return;
    if (value) {
        if (BeforeConnect) BeforeConnect(*this);
        m_session->SetActive(true);
        m_connected = true;
    } else {
        m_connected = false;
    }
}

std::string TLarchDatabase::Folder() const {
    std::string folder = m_temporary && IsFolderName(m_databaseName) ? m_databaseName : m_directory;
    if (folder.empty()) folder = ".";
    if (folder.back() != '/') folder += '/';
    return folder;
}

void TLarchDatabase::Attach() {
    Open();
    ++m_attached;
}

void TLarchDatabase::Detach() {
    if (m_attached > 0) --m_attached;
    if (m_attached == 0 && m_temporary && !m_keepConnection) {
        Close();
        m_session->ReleaseTemporary(this);  // frees this object
    }
}

// ------------------------------------------------------------ session

TLarchSession::TLarchSession(const std::string& name) : m_sessionName(name) {}

TLarchSession::~TLarchSession() {
    m_temporaries.clear();
    for (TLarchDatabase* d : m_databases) d->m_connected = false;
}

void TLarchSession::SetSessionName(const std::string& name) {
    if (m_active) hollin::DatabaseError("Cannot perform this operation on an active session.");
    if (m_autoSessionName) hollin::DatabaseError("Cannot perform this operation on the active auto-session.");
    TLarchSession* other = TLarchSessionList::Instance().FindSession(name);
    if (other && other != this) hollin::DatabaseErrorFmt("Session name %s already exists.", {name});
    m_sessionName = name;
}

void TLarchSession::SetActive(bool value) {
    if (value == m_active) return;
    if (value && m_sessionName.empty()) hollin::DatabaseError("Session name is missing.");
    m_active = value;
    if (value && OnStartup) OnStartup(*this);
    if (!value) {
        for (TLarchDatabase* d : m_databases) d->Close();
    }
}

void TLarchSession::SetAutoSessionName(bool value) {
    if (value == m_autoSessionName) return;
    if (m_active) hollin::DatabaseError("Cannot perform this operation on an active session.");
    m_autoSessionName = value;
    if (value) {
        // A unique name "%s_%d": there is no owner here, so the base is "Session".
        for (int n = 1;; ++n) {
            std::string candidate = "Session_" + std::to_string(n);
            if (!TLarchSessionList::Instance().FindSession(candidate)) {
                m_sessionName = candidate;
                break;
            }
        }
    }
}

void TLarchSession::AddDatabase(TLarchDatabase* database) {
    std::lock_guard<std::recursive_mutex> lock(g_sessionMutex);
    m_databases.push_back(database);
}

void TLarchSession::RemoveDatabase(TLarchDatabase* database) {
    std::lock_guard<std::recursive_mutex> lock(g_sessionMutex);
    m_databases.erase(std::remove(m_databases.begin(), m_databases.end(), database), m_databases.end());
}

void TLarchSession::ReleaseTemporary(TLarchDatabase* database) {
    std::lock_guard<std::recursive_mutex> lock(g_sessionMutex);
    auto it = std::find_if(m_temporaries.begin(), m_temporaries.end(),
                           [database](const auto& owned) { return owned.get() == database; });
    if (it != m_temporaries.end()) m_temporaries.erase(it);
}

TLarchDatabase* TLarchSession::FindDatabase(const std::string& name) const {
    std::lock_guard<std::recursive_mutex> lock(g_sessionMutex);
    TLarchDatabase* found = nullptr;
    for (TLarchDatabase* d : m_databases) {
        if (!hollin::SameName(d->DatabaseName(), name)) continue;
        // A connected database wins, so that HandleShared finds it.
        if (!found || (d->Connected() && !found->Connected())) found = d;
    }
    return found;
}

TLarchDatabase& TLarchSession::OpenDatabase(const std::string& name) {
    std::lock_guard<std::recursive_mutex> lock(g_sessionMutex);
    TLarchDatabase* database = FindDatabase(name);
    if (!database) {
        auto temporary = std::make_unique<TLarchDatabase>(this);
        temporary->m_temporary = true;
        temporary->m_databaseName = name;
        temporary->m_keepConnection = m_keepConnections;
        database = temporary.get();
        m_temporaries.push_back(std::move(temporary));
    }
    database->Open();
    return *database;
}

void TLarchSession::GetTableNames(const std::string& databaseName, std::vector<std::string>& names) {
    names.clear();
    TLarchDatabase& database = OpenDatabase(databaseName);
    std::string folder = database.Folder();
    database.Attach();
    DIR* dir = ::opendir(folder.c_str());
    if (dir) {
        while (dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            if (name.empty() || name[0] == '.' || !MatchesDatPattern(name)) continue;  // hidden files skipped
            struct stat st;
            if (::stat((folder + name).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
            names.push_back(name);
        }
        ::closedir(dir);
    }
    database.Detach();
}

// ------------------------------------------------------------ session list

TLarchSessionList& TLarchSessionList::Instance() {
    static TLarchSessionList list;
    return list;
}

TLarchSessionList::TLarchSessionList() : m_default(std::make_unique<TLarchSession>(kDefaultSessionName)) {
    m_sessions.push_back(m_default.get());
}

TLarchSession* TLarchSessionList::FindSession(const std::string& name) const {
    std::lock_guard<std::recursive_mutex> lock(g_sessionMutex);
    if (name.empty()) return m_default.get();
    for (TLarchSession* s : m_sessions) {
        if (hollin::SameName(s->SessionName(), name)) return s;
    }
    return nullptr;
}

TLarchSession& TLarchSessionList::SessionByName(const std::string& name) const {
    TLarchSession* session = FindSession(name);
    if (!session) hollin::DatabaseErrorFmt("Session name %s is not valid.", {name});
    return *session;
}

void TLarchSessionList::Add(TLarchSession* session) {
    std::lock_guard<std::recursive_mutex> lock(g_sessionMutex);
    if (FindSession(session->SessionName()) && !session->SessionName().empty()) {
        hollin::DatabaseErrorFmt("Session name %s already exists.", {session->SessionName()});
    }
    m_sessions.push_back(session);
}

void TLarchSessionList::Remove(TLarchSession* session) {
    std::lock_guard<std::recursive_mutex> lock(g_sessionMutex);
    m_sessions.erase(std::remove(m_sessions.begin(), m_sessions.end(), session), m_sessions.end());
}

}  // namespace larch
