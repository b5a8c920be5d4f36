// The account cache: one record per account that has signed in on this machine, kept as a
// binary value named by the login under the profile section "Users".
#pragma once
#include "Framework.h"
#include <map>
#include <mutex>
#include <string>
#include <vector>

struct CUserAccountRecord {
    BYTE digest[16] = {};          // MD5 of the salted password
    SYSTEMTIME registerDate = {};  // year, month and day only
    int daysToQuotaReset = 0;
    int reserved = 0;
    int usageNotesMax = 0;         // MB
    int usageNotesCurrent = 0;     // MB
    unsigned maxNoteSizeMB = 0;
    int monthUsageQuota = 0;       // MB
    int maxAttachmentSize = 0;     // MB
    int version = 4;
    CString notesEmail;
    CString endDate;               // DD/MM/YYYY or empty
    CString dataFolder;            // empty = the default application-data folder

    // The stored value (version 4, little-endian, texts UTF-16LE with terminators).
    std::vector<BYTE> Encode() const;
    // False when the bytes are not a record: shorter than the fixed part, or a text
    // without its terminator inside the value. Older versions are brought to version 4.
    bool Decode(const BYTE* bytes, size_t size);
};

// Where the records live. The program keeps them under its profile key; tests give a key
// of their own.
class IUserAccountStore {
public:
    virtual ~IUserAccountStore() = default;
    // Every value of the section; false when the section cannot be opened.
    virtual bool ReadAll(std::vector<std::pair<CString, std::vector<BYTE>>>& values) = 0;
    virtual bool Write(const CString& login, const std::vector<BYTE>& value) = 0;
};

// HKEY_CURRENT_USER\<key path>, "Software\Quendale\Pelora\Users" by default.
class CRegistryUserAccountStore : public IUserAccountStore {
public:
    static const wchar_t* const kDefaultKey;
    explicit CRegistryUserAccountStore(const wchar_t* keyPath = kDefaultKey) : m_keyPath(keyPath) {}
    bool ReadAll(std::vector<std::pair<CString, std::vector<BYTE>>>& values) override;
    bool Write(const CString& login, const std::vector<BYTE>& value) override;
    const CString& KeyPath() const { return m_keyPath; }

private:
    CString m_keyPath;
};

// The account information the service sends, as the cache keeps it (sizes in MB).
struct CServiceAccountInfo {
    CString registerDate;   // "YYYY-MM-DD"
    int daysToQuotaReset = 0;
    int notesMax = 0;
    int notesCurrent = 0;
    unsigned maxNoteSizeMB = 0;
    int monthUsageQuota = 0;
    int maxAttachmentSize = 0;
};

// The sync threads write the service's account information while the user interface reads
// the cache: every operation holds the cache's lock. Whoever works with a record's fields
// through the pointer getters holds Lock() around it; the sync's writes go through
// TakeServiceInfo and TakeNotesEmail, which change and save the record in one locked step.
class CUserAccounts {
public:
    // Without a store the records go to the program's registry key.
    explicit CUserAccounts(IUserAccountStore* store = nullptr);
    virtual ~CUserAccounts();
    CUserAccounts(const CUserAccounts&) = delete;
    CUserAccounts& operator=(const CUserAccounts&) = delete;

    // Replaces the records with those of the store and forgets the current account.
    // Values that are not valid records are skipped. Always 1.
    int LoadAll();
    // Writes the current account's record; false when there is none or the write failed.
    bool SaveUser();
    // The login's record, made empty when missing; an empty login makes no account current.
    CUserAccountRecord* SetCurrentUser(const wchar_t* login);
    CString GetCurrentUserName() const;
    CUserAccountRecord* FindUser(const wchar_t* login) const;
    bool CheckOfflineLogin(const wchar_t* login, const BYTE digest[16]) const;

    // record == null: the current record. Setters are false when there is neither.
    bool SetDigest(CUserAccountRecord* record, const CUserAccountRecord* source);
    bool SetRegisterDate(CUserAccountRecord* record, const wchar_t* yearMonthDay);
    bool FormatRegisterDate(CUserAccountRecord* record, CString& out) const;
    // Getters fall back to the shared default record, so they never fail.
    int* GetNotesMax(CUserAccountRecord* record = nullptr);
    int* GetNotesCurrent(CUserAccountRecord* record = nullptr);
    int* GetDaysToQuotaReset(CUserAccountRecord* record = nullptr);
    unsigned* GetMaxNotesSizeMB(CUserAccountRecord* record = nullptr);
    int* GetMonthUsageQuota(CUserAccountRecord* record = nullptr);
    int* GetMaxAttachmentSize(CUserAccountRecord* record = nullptr);
    CString* GetNotesEmail(CUserAccountRecord* record = nullptr);
    CString* GetEndDate(CUserAccountRecord* record = nullptr);
    CString GetDataFolder(CUserAccountRecord* record = nullptr);
    void SetDataFolder(const wchar_t* folder, CUserAccountRecord* record = nullptr);
    // Appends every cached login (any list with AddTail, such as CStringList).
    template <class List>
    void GetUserNames(List& list) const
    {
        std::lock_guard<std::recursive_mutex> guard(m_mutex);
        for (const auto& entry : m_users)
            list.AddTail(CString(entry.first));
    }
    std::vector<CString> GetUserNames() const;

    // Held while several fields are read or written through the getters' pointers.
    std::unique_lock<std::recursive_mutex> Lock() const { return std::unique_lock<std::recursive_mutex>(m_mutex); }
    // The current record (or the shared default one) as a copy.
    CUserAccountRecord GetCurrentRecord() const;
    // Writes the information into the current record and saves it; false when no account
    // is current (nothing is taken) or the record could not be written.
    bool TakeServiceInfo(const CServiceAccountInfo& info);
    // The notes e-mail goes into the current record only while it has none (then saved);
    // true when it was taken.
    bool TakeNotesEmail(const CString& email);

private:
    CUserAccountRecord* Target(CUserAccountRecord* record) const;   // given or current, or null
    CUserAccountRecord* Readable(CUserAccountRecord* record);       // ... or the shared default
    void Clear();

    mutable std::recursive_mutex m_mutex;
    IUserAccountStore* m_store;
    bool m_ownsStore = false;
    std::map<std::wstring, CUserAccountRecord*> m_users;   // login as given -> record
    CString m_currentLogin;
    CUserAccountRecord* m_current = nullptr;
};
