// The component layer's sessions and databases: TLarchSessionList (the
// process-wide list, with the session "Default"), TLarchSession and
// TLarchDatabase (a folder of tables that datasets attach to by name).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace larch {

constexpr const char* kEngineVersion = "1.21";
constexpr const char* kDefaultSessionName = "Default";

class TLarchSession;

class TLarchDatabase {
public:
    explicit TLarchDatabase(TLarchSession* session = nullptr);
    ~TLarchDatabase();
    TLarchDatabase(const TLarchDatabase&) = delete;
    TLarchDatabase& operator=(const TLarchDatabase&) = delete;

    std::string EngineVersion() const { return kEngineVersion; }
    const std::string& DatabaseName() const { return m_databaseName; }
    // "Cannot perform this operation on an open database." while connected;
    // "Database name %s is not valid." for a folder-like name;
    // "Database name %s already exists." when the session has one.
    void SetDatabaseName(const std::string& name);
    const std::string& Directory() const { return m_directory; }
    void SetDirectory(const std::string& directory);
    bool HandleShared() const { return m_handleShared; }
    void SetHandleShared(bool value) { m_handleShared = value; }
    bool KeepConnection() const { return m_keepConnection; }
    void SetKeepConnection(bool value) { m_keepConnection = value; }
    const std::string& SessionName() const;
    // Moves the database to the session of that name (closed only).
    void SetSessionName(const std::string& name);
    bool Temporary() const { return m_temporary; }

    bool Connected() const { return m_connected; }
    void SetConnected(bool value);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }

    // The folder of the tables, ending with "/".
    std::string Folder() const;

    std::function<void(TLarchDatabase&)> BeforeConnect;

    // Datasets attached while open; a temporary database disconnects (and is
    // freed by its session) when the last one leaves, unless kept.
    void Attach();
    void Detach();
    int AttachCount() const { return m_attached; }

private:
    friend class TLarchSession;
    TLarchSession* m_session;
    std::string m_databaseName;
    std::string m_directory;
    bool m_handleShared = false;
    bool m_keepConnection = true;
    bool m_temporary = false;
    bool m_connected = false;
    int m_attached = 0;
};

class TLarchSession {
public:
    explicit TLarchSession(const std::string& name = {});
    ~TLarchSession();
    TLarchSession(const TLarchSession&) = delete;
    TLarchSession& operator=(const TLarchSession&) = delete;

    std::string EngineVersion() const { return kEngineVersion; }
    const std::string& SessionName() const { return m_sessionName; }
    // "Session name %s already exists." / "Session name is missing." /
    // "Cannot perform this operation on an active session."
    void SetSessionName(const std::string& name);
    bool Active() const { return m_active; }
    void SetActive(bool value);
    bool KeepConnections() const { return m_keepConnections; }
    void SetKeepConnections(bool value) { m_keepConnections = value; }
    const std::string& PrivateDir() const { return m_privateDir; }
    void SetPrivateDir(const std::string& folder) { m_privateDir = folder; }
    bool AutoSessionName() const { return m_autoSessionName; }
    void SetAutoSessionName(bool value);

    std::function<void(TLarchSession&)> OnStartup;

    // The database component of that name (ignoring case), or null.
    TLarchDatabase* FindDatabase(const std::string& name) const;
    // Resolves a dataset's database name: an existing component, or a new
    // temporary database (a folder path names its folder); connects it.
    TLarchDatabase& OpenDatabase(const std::string& name);
    // Fills `names` with the "*.DAT" files of the database's folder.
    void GetTableNames(const std::string& databaseName, std::vector<std::string>& names);

private:
    friend class TLarchDatabase;
    void AddDatabase(TLarchDatabase* database);
    void RemoveDatabase(TLarchDatabase* database);
    void ReleaseTemporary(TLarchDatabase* database);

    std::string m_sessionName;
    bool m_active = false;
    bool m_keepConnections = true;
    bool m_autoSessionName = false;
    std::string m_privateDir;
    std::vector<TLarchDatabase*> m_databases;
    std::vector<std::unique_ptr<TLarchDatabase>> m_temporaries;
};

// The process-wide list of sessions, made with the session "Default" on first
// use. Session names compare ignoring case.
class TLarchSessionList {
public:
    static TLarchSessionList& Instance();
    TLarchSession& DefaultSession() { return *m_default; }
    // An empty name is the default session; null when unknown.
    TLarchSession* FindSession(const std::string& name) const;
    // "Session name %s is not valid." for an unknown name.
    TLarchSession& SessionByName(const std::string& name) const;
    void Add(TLarchSession* session);
    void Remove(TLarchSession* session);

private:
    TLarchSessionList();
    std::unique_ptr<TLarchSession> m_default;
    std::vector<TLarchSession*> m_sessions;
};

// Whether a database name is a folder path rather than a component's name.
bool IsFolderName(const std::string& name);

}  // namespace larch
