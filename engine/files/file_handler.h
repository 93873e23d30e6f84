// TFileHandler: one open operating-system file of a table, the base of the
// data, index and blob file classes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace larch {

class TTableJournal;

// Byte 2^31 of every table file carries the lock that stands in for share
// modes: a shared open holds a read lock on it, an exclusive open a write lock,
// from open to close. It lies beyond every lock range of the lock protocol.
constexpr int64_t kShareLockOffset = 2147483648LL;

// One file. The file name and the exclusive and read-only flags may
// change only while closed (10031 otherwise). All I/O is positional; Seek keeps
// a current position for the operations that work "at the position".
//
// Locks are open-file-description locks (F_OFD_SETLK): they belong to this
// handle, so two handles in one process exclude each other like two processes.
class TFileHandler {
public:
    TFileHandler();
    virtual ~TFileHandler();
    TFileHandler(const TFileHandler&) = delete;
    TFileHandler& operator=(const TFileHandler&) = delete;

    // The full file name for this kind of file; the base keeps the name.
    virtual std::string MakeFileName(const std::string& name) const;

    // Stores MakeFileName(name); 10031 when open and the name differs.
    void SetFileName(const std::string& name);
    const std::string& FileName() const { return m_fileName; }

    void SetExclusive(bool value);
    void SetReadOnly(bool value);
    // ForceBufferFlush: every write of the table is on the disk when it
    // returns. The table's journal syncs the files it changed at the end of
    // each write (which a shared table does in any case), so the flag only
    // tells an exclusive table to write its caches out at the end of each
    // write instead of keeping them.
    void SetWriteThrough(bool value) { m_writeThrough = value; }
    // The file bears exactly the name given, never another spelling of it
    // (files this process names itself), so no folder is scanned for one.
    void SetExactName(bool value) { m_exactName = value; }
    bool ExactName() const { return m_exactName; }

    bool Exclusive() const { return m_exclusive; }
    bool ReadOnly() const { return m_readOnly; }
    bool ReadOnlyByAttribute() const { return m_readOnlyByAttribute; }
    bool WriteThrough() const { return m_writeThrough; }
    bool IsOpen() const { return m_fd >= 0; }

    // Whether the file exists (the name is matched ignoring letter case when
    // the exact spelling is missing).
    bool Exists() const;

    // Opens the existing file: read-only when the flag is set or the file has
    // no write bit (then ReadOnly and ReadOnlyByAttribute become true).
    // 11010 when it does not exist, 11013 when another handle holds it
    // exclusively (or, for an exclusive open, holds it at all).
    virtual void Open();
    virtual void Close();
    // Creates (replacing) the file, exclusive; 10031 when open, 10253 when the
    // handler is not exclusive.
    virtual void Create();
    // 10031 when open; 9220 when the file cannot be deleted.
    void Delete();
    // 10031 when open; 11047 on failure. The handler then bears the new name.
    void Rename(const std::string& newName);
    // Copies this file (from its start, in 65535-byte pieces) to `destination`,
    // replacing it. Nothing happens when the handler is closed.
    void CopyTo(const std::string& destination);
    // Copies `source` over this file from offset 0, without shortening it.
    void CopyFrom(const std::string& source);

    // origin: 0 start, 1 current position, 2 end. Returns the new position.
    int64_t Seek(int64_t offset, int origin);
    int64_t Size();
    // Reads at the current position; fewer than count bytes raise 9217 unless
    // allowShort. Returns the bytes read; the position advances.
    std::size_t Read(void* buffer, std::size_t count, bool allowShort = false);
    // Writes at the current position; a short write raises 9218. A count of 0
    // truncates the file at the position.
    void Write(const void* buffer, std::size_t count);

    // The bytes the file holds at `offset` now, as the journal saves them
    // before a change (short at the end of the file). The default reads
    // them; a file that keeps copies of what it read may answer from those.
    virtual std::size_t ReadOriginal(int64_t offset, void* buffer, std::size_t count) {
        return ReadAt(offset, buffer, count, true);
    }

    // Positional forms of Read and Write (the position is not used or moved).
    std::size_t ReadAt(int64_t offset, void* buffer, std::size_t count, bool allowShort = false);
    void WriteAt(int64_t offset, const void* buffer, std::size_t count);
    void Truncate(int64_t length);
    // Writes what the system holds for the file to the disk; 9218 on failure.
    void Flush();

    // One attempt at a byte-range lock or unlock; reports success. On an
    // exclusive handler both succeed without doing anything. A shared lock is
    // F_RDLCK, otherwise F_WRLCK.
    bool Lock(int64_t offset, int64_t length, bool shared = false);
    bool Unlock(int64_t offset, int64_t length);

    // The rollback journal that guards this file's changes (null: none), and
    // the file's number in it. Every write and truncate asks it first, every
    // failed operation is reported to it.
    void AttachJournal(TTableJournal* journal, int fileNumber) {
        m_journal = journal;
        m_journalFile = fileNumber;
    }

    // Number of read() and write() system calls made through this handler,
    // so tests and benchmarks can check read-ahead and coalesced writing.
    uint64_t ReadCalls() const { return m_readCalls; }
    uint64_t WriteCalls() const { return m_writeCalls; }

    // The path that exists on disk for `path`: the path itself, or the one
    // entry of its folder whose name equals it ignoring ASCII case. Returns
    // `path` unchanged when neither exists.
    static std::string ResolveCaseInsensitive(const std::string& path);

protected:
    // Name, flags and handle that the subclasses' open and create build on.
    void OpenHandle();
    void CreateHandle();
    void CloseHandle();
    // Short reads are allowed for record, page and block reads only when the
    // file is exclusive.
    bool ShortReadsAllowed() const { return m_exclusive; }
    void CheckClosed(bool changing) const;

private:
    void TakeShareLock();
    [[noreturn]] void Fail(int code);
    // The name on disk: the exact name, or the spelling that exists.
    std::string DiskPath() const;

    std::string m_fileName;
    int m_fd = -1;
    int64_t m_position = 0;
    bool m_exclusive = false;
    bool m_readOnly = false;
    bool m_readOnlyByAttribute = false;
    bool m_writeThrough = false;
    bool m_exactName = false;
    uint64_t m_readCalls = 0;
    uint64_t m_writeCalls = 0;
    TTableJournal* m_journal = nullptr;
    int m_journalFile = 0;
};

// Trims blanks at both ends; keeps the name when its extension is already
// `extension` (".DAT", ignoring case), else replaces the extension (from the
// last "." after the last separator) or appends it.
std::string MakeTableFileName(const std::string& name, const std::string& extension);

}  // namespace larch
