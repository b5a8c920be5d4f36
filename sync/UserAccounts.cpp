#include "UserAccounts.h"
#include <cstdio>
#include <cstring>

const wchar_t* const CRegistryUserAccountStore::kDefaultKey = L"Software\\Quendale\\Pelora\\Users";

namespace {

constexpr size_t kFixedSize = 60;   // digest, date and the eight integers before the version

void PutU32(std::vector<BYTE>& out, size_t at, unsigned v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = (BYTE)(v >> (8 * i));
}

unsigned GetU32(const BYTE* p)
{
    return (unsigned)p[0] | ((unsigned)p[1] << 8) | ((unsigned)p[2] << 16) | ((unsigned)p[3] << 24);
}

size_t PutText(std::vector<BYTE>& out, size_t at, const CString& text)
{
    for (int i = 0; i < text.GetLength(); ++i) {
        out[at++] = (BYTE)(text[i] & 0xFF);
        out[at++] = (BYTE)(text[i] >> 8);
    }
    out[at++] = 0;
    out[at++] = 0;
    return at;
}

// A UTF-16LE text with its terminator inside [p, p + left); false when there is none.
bool GetText(const BYTE*& p, size_t& left, CString& out)
{
    std::wstring text;
    for (size_t i = 0; i + 1 < left; i += 2) {
        wchar_t ch = (wchar_t)(p[i] | (p[i + 1] << 8));
        if (ch == 0) {
            out = CString(text);
            p += i + 2;
            left -= i + 2;
            return true;
        }
        text.push_back(ch);
    }
    return false;
}

CUserAccountRecord& SharedDefaultRecord()
{
    // One per process: what the getters answer while no account is current.
    static CUserAccountRecord record;
    return record;
}

}  // namespace

std::vector<BYTE> CUserAccountRecord::Encode() const
{
    std::vector<BYTE> out(70 + 2 * (size_t)(notesEmail.GetLength() + endDate.GetLength() + dataFolder.GetLength()), 0);
    memcpy(&out[0], digest, 16);
    const WORD date[8] = {registerDate.wYear, registerDate.wMonth, registerDate.wDayOfWeek, registerDate.wDay,
                          registerDate.wHour, registerDate.wMinute, registerDate.wSecond, registerDate.wMilliseconds};
    for (int i = 0; i < 8; ++i) {
        out[16 + 2 * i] = (BYTE)(date[i] & 0xFF);
        out[17 + 2 * i] = (BYTE)(date[i] >> 8);
    }
    PutU32(out, 32, (unsigned)daysToQuotaReset);
    PutU32(out, 36, 0);
    PutU32(out, 40, (unsigned)usageNotesMax);
    PutU32(out, 44, (unsigned)usageNotesCurrent);
    PutU32(out, 48, maxNoteSizeMB);
    PutU32(out, 52, (unsigned)monthUsageQuota);
    PutU32(out, 56, (unsigned)maxAttachmentSize);
    PutU32(out, 60, 4);
    size_t at = PutText(out, 64, notesEmail);
    at = PutText(out, at, endDate);
    PutText(out, at, dataFolder);
    return out;
}

bool CUserAccountRecord::Decode(const BYTE* bytes, size_t size)
{
    *this = CUserAccountRecord();
    if (!bytes || size < kFixedSize)
        return false;
    memcpy(digest, bytes, 16);
    WORD date[8];
    for (int i = 0; i < 8; ++i)
        date[i] = (WORD)(bytes[16 + 2 * i] | (bytes[17 + 2 * i] << 8));
    registerDate.wYear = date[0];
    registerDate.wMonth = date[1];
    registerDate.wDayOfWeek = date[2];
    registerDate.wDay = date[3];
    registerDate.wHour = date[4];
    registerDate.wMinute = date[5];
    registerDate.wSecond = date[6];
    registerDate.wMilliseconds = date[7];
    daysToQuotaReset = (int)GetU32(bytes + 32);
    reserved = 0;
    unsigned sizes[5];
    for (int i = 0; i < 5; ++i)
        sizes[i] = GetU32(bytes + 40 + 4 * i);
    const BYTE* p = bytes + kFixedSize;
    size_t left = size - kFixedSize;
    unsigned stored = 4;
    if (left >= 4) {
        stored = GetU32(p);
        p += 4;
        left -= 4;
    }
    if (stored < 4) {
        // older records kept these in bytes
        for (unsigned& v : sizes)
            v >>= 20;
    }
    usageNotesMax = (int)sizes[0];
    usageNotesCurrent = (int)sizes[1];
    maxNoteSizeMB = sizes[2];
    monthUsageQuota = (int)sizes[3];
    maxAttachmentSize = (int)sizes[4];
    version = 4;
    if (left < 2)
        return true;
    if (!GetText(p, left, notesEmail))
        return false;
    if (left < 2)
        return true;
    if (!GetText(p, left, endDate))
        return false;
    if (left > 1 && !GetText(p, left, dataFolder))
        return false;
    return true;
}

bool CRegistryUserAccountStore::ReadAll(std::vector<std::pair<CString, std::vector<BYTE>>>& values)
{
    values.clear();
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, m_keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        DWORD type = 0;
        DWORD size = 0;
        LONG rc = RegEnumValueW(key, index, name, &nameLength, nullptr, &type, nullptr, &size);
        if (rc == ERROR_MORE_DATA)
            continue;   // a name longer than a login can be: not ours, and no reason to stop
        if (rc != ERROR_SUCCESS)
            break;
        if (type != REG_BINARY)
            continue;
        std::vector<BYTE> data(size);
        DWORD got = size;
        if (RegQueryValueExW(key, name, nullptr, &type, size ? data.data() : nullptr, &got) != ERROR_SUCCESS)
            continue;
        data.resize(got);
        values.emplace_back(CString(name), std::move(data));
    }
    RegCloseKey(key);
    return true;
}

bool CRegistryUserAccountStore::Write(const CString& login, const std::vector<BYTE>& value)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, m_keyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExW(key, login, 0, REG_BINARY, value.data(), (DWORD)value.size());
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

CUserAccounts::CUserAccounts(IUserAccountStore* store) : m_store(store)
{
    if (!m_store) {
        m_store = new CRegistryUserAccountStore();
        m_ownsStore = true;
    }
}

CUserAccounts::~CUserAccounts()
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    Clear();
    if (m_ownsStore)
        delete m_store;
}

void CUserAccounts::Clear()
{
    for (auto& entry : m_users)
        delete entry.second;
    m_users.clear();
    m_current = nullptr;
    m_currentLogin.Empty();
}

int CUserAccounts::LoadAll()
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    Clear();
    std::vector<std::pair<CString, std::vector<BYTE>>> values;
    if (!m_store->ReadAll(values))
        return 1;
    for (auto& value : values) {
        CUserAccountRecord* record = new CUserAccountRecord();
        if (value.first.IsEmpty() || !record->Decode(value.second.data(), value.second.size())) {
            delete record;   // not a record of ours: skipped, never read past its end
            continue;
        }
        delete m_users[value.first.str()];
        m_users[value.first.str()] = record;
    }
    return 1;
}

bool CUserAccounts::SaveUser()
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    if (!m_current || m_currentLogin.IsEmpty())
        return false;
    return m_store->Write(m_currentLogin, m_current->Encode());
}

CUserAccountRecord* CUserAccounts::SetCurrentUser(const wchar_t* login)
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    if (!login || !*login) {
        m_current = nullptr;
        m_currentLogin.Empty();
        return nullptr;
    }
    CUserAccountRecord*& slot = m_users[login];
    if (!slot)
        slot = new CUserAccountRecord();
    m_current = slot;
    m_currentLogin = login;
    return m_current;
}

CString CUserAccounts::GetCurrentUserName() const
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return m_currentLogin;
}

CUserAccountRecord* CUserAccounts::FindUser(const wchar_t* login) const
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    if (!login)
        return nullptr;
    auto it = m_users.find(login);
    return it == m_users.end() ? nullptr : it->second;
}

bool CUserAccounts::CheckOfflineLogin(const wchar_t* login, const BYTE digest[16]) const
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    const CUserAccountRecord* record = FindUser(login);
    if (!record || !digest)
        return false;
    // An account cached before any sign-in holds no digest (all zero): that must never match.
    static const BYTE kNone[16] = {};
    return memcmp(record->digest, kNone, 16) != 0 && memcmp(record->digest, digest, 16) == 0;
}

CUserAccountRecord* CUserAccounts::Target(CUserAccountRecord* record) const
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return record ? record : m_current;
}

CUserAccountRecord* CUserAccounts::Readable(CUserAccountRecord* record)
{
    CUserAccountRecord* target = Target(record);
    return target ? target : &SharedDefaultRecord();
}

bool CUserAccounts::SetDigest(CUserAccountRecord* record, const CUserAccountRecord* source)
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    CUserAccountRecord* target = Target(record);
    if (!target || !source)
        return false;
    memcpy(target->digest, source->digest, 16);
    return true;
}

bool CUserAccounts::SetRegisterDate(CUserAccountRecord* record, const wchar_t* yearMonthDay)
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    CUserAccountRecord* target = Target(record);
    if (!target)
        return false;
    int year = 0, month = 0, day = 0;
    if (yearMonthDay)
        swscanf(yearMonthDay, L"%d-%d-%d", &year, &month, &day);
    target->registerDate = SYSTEMTIME();
    target->registerDate.wYear = (WORD)year;
    target->registerDate.wMonth = (WORD)month;
    target->registerDate.wDay = (WORD)day;
    return true;
}

bool CUserAccounts::FormatRegisterDate(CUserAccountRecord* record, CString& out) const
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    const CUserAccountRecord* target = Target(record);
    if (!target)
        return false;
    out.Format(L"%d-%d-%d", target->registerDate.wYear, target->registerDate.wMonth, target->registerDate.wDay);
    return true;
}

int* CUserAccounts::GetNotesMax(CUserAccountRecord* record)
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return &Readable(record)->usageNotesMax;
}

int* CUserAccounts::GetNotesCurrent(CUserAccountRecord* record)
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return &Readable(record)->usageNotesCurrent;
}

int* CUserAccounts::GetDaysToQuotaReset(CUserAccountRecord* record)
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return &Readable(record)->daysToQuotaReset;
}

unsigned* CUserAccounts::GetMaxNotesSizeMB(CUserAccountRecord* record)
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return &Readable(record)->maxNoteSizeMB;
}

int* CUserAccounts::GetMonthUsageQuota(CUserAccountRecord* record)
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return &Readable(record)->monthUsageQuota;
}

int* CUserAccounts::GetMaxAttachmentSize(CUserAccountRecord* record)
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return &Readable(record)->maxAttachmentSize;
}

CString* CUserAccounts::GetNotesEmail(CUserAccountRecord* record)
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return &Readable(record)->notesEmail;
}

CString* CUserAccounts::GetEndDate(CUserAccountRecord* record)
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return &Readable(record)->endDate;
}

CString CUserAccounts::GetDataFolder(CUserAccountRecord* record)
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return Readable(record)->dataFolder;
}

void CUserAccounts::SetDataFolder(const wchar_t* folder, CUserAccountRecord* record)
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    if (CUserAccountRecord* target = Target(record))
        target->dataFolder = folder ? folder : L"";
}

std::vector<CString> CUserAccounts::GetUserNames() const
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    std::vector<CString> names;
    for (const auto& entry : m_users)
        names.push_back(CString(entry.first));
    return names;
}

CUserAccountRecord CUserAccounts::GetCurrentRecord() const
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    return m_current ? *m_current : SharedDefaultRecord();
}

bool CUserAccounts::TakeServiceInfo(const CServiceAccountInfo& info)
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    if (!m_current || m_currentLogin.IsEmpty())
        return false;
    SetRegisterDate(m_current, info.registerDate);
    m_current->daysToQuotaReset = info.daysToQuotaReset;
    m_current->usageNotesMax = info.notesMax;
    m_current->usageNotesCurrent = info.notesCurrent;
    m_current->maxNoteSizeMB = info.maxNoteSizeMB;
    m_current->monthUsageQuota = info.monthUsageQuota;
    m_current->maxAttachmentSize = info.maxAttachmentSize;
    return SaveUser();
}

bool CUserAccounts::TakeNotesEmail(const CString& email)
{
    std::lock_guard<std::recursive_mutex> guard(m_mutex);
    if (!m_current || m_currentLogin.IsEmpty() || !m_current->notesEmail.IsEmpty() || email.IsEmpty())
        return false;
    m_current->notesEmail = email;
    SaveUser();
    return true;
}
