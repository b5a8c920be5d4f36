// Reminders and to-do items (tasks) in the store.
#include "DbStatement.h"

using namespace DB::Detail;

namespace DB {

namespace {

const char* const kReminderColumns[] = {
    "reminder_id", "note_id", "b_valid", "time_initial", "time_to_run", "repeat", "completed", "geo_lat", "geo_lng",
    "priority", "type_reminder",
};
const int kReminderColumnCount = 11;

const char* const kTaskColumns[] = {
    "task_id", "note_id", "task_info", "task_prn_id", "b_checked", "date_create", "date_update",
};
const int kTaskColumnCount = 7;

void BindReminder(CStatement& st, const CItemReminder* r)
{
    st.Text(1, r->reminder_id);
    st.Text(2, r->note_id);
    st.Int(3, r->b_valid);
    st.Int(4, r->time_initial);
    st.Int(5, r->time_to_run);
    st.Int(6, r->repeat);
    st.Int(7, r->completed);
    st.Text(8, r->geo_lat);
    st.Text(9, r->geo_lng);
    st.Int(10, r->priority);
    st.Int(11, r->type_reminder);
}

void BindTask(CStatement& st, const CItemTask* t)
{
    st.Text(1, t->task_id);
    st.Text(2, t->note_id);
    st.Text(3, t->task_info);
    st.Text(4, t->task_prn_id);
    st.Int(5, t->b_checked);
    st.Int(6, t->date_create);
    st.Int(7, t->date_update);
}

// " AND note_id=?1" / " AND <idColumn>=?2" for the non-empty ones.
std::string IdConditions(const CString& noteId, const CString& id, const char* idColumn)
{
    std::string out;
    if (!noteId.IsEmpty())
        out += " AND note_id=?1";
    if (!id.IsEmpty())
        out += Fmt(" AND %s=?2", idColumn);
    return out;
}

void BindIdConditions(CStatement& st, const CString& noteId, const CString& id)
{
    if (!noteId.IsEmpty())
        st.Text(1, noteId);
    if (!id.IsEmpty())
        st.Text(2, id);
}

} // namespace

int CPeloraDatabase::CreateReminder(CItemReminder* rec)
{
    DB_OP_LOCKED("CreateReminder", 0);
    if (!rec)
        return 0;
    CStatement st(m_db, InsertColumns("reminders", kReminderColumns, kReminderColumnCount));
    if (!st.Ok())
        return 0;
    BindReminder(st, rec);
    if (st.Step() != SQLITE_DONE) {
        LogFailure("DB::CPeloraDatabase::CreateReminder", __LINE__, m_db, "Didn't Insert Item!");
        return 0;
    }
    rec->itemid = (int)sqlite3_last_insert_rowid(m_db);
    return 1;
}

int CPeloraDatabase::UpdateReminder(CItemReminder* rec)
{
    DB_OP_LOCKED("UpdateReminder", 0);
    if (!rec || rec->reminder_id.IsEmpty())
        return 0;
    CStatement st(m_db, "UPDATE reminders SET " + AssignColumns(kReminderColumns, kReminderColumnCount) +
                            " WHERE reminder_id=?12;");
    if (!st.Ok())
        return 0;
    BindReminder(st, rec);
    st.Text(12, rec->reminder_id);
    if (st.Step() != SQLITE_DONE) {
        LogFailure("DB::CPeloraDatabase::UpdateReminder", __LINE__, m_db, "Didn't Update Item!");
        return 0;
    }
    return 1;
}

int CPeloraDatabase::GetReminderList(const CItemReminder* filter, CItemList* list)
{
    DB_OP_LOCKED("GetReminderList", 0);
    if (!list || !filter)
        return 0;
    CStatement st(m_db, "SELECT itemid, " + JoinColumns(kReminderColumns, kReminderColumnCount) +
                            " FROM reminders WHERE itemid>0" +
                            IdConditions(filter->note_id, filter->reminder_id, "reminder_id") + ";");
    if (!st.Ok())
        return 1;
    BindIdConditions(st, filter->note_id, filter->reminder_id);
    while (st.Row()) {
        CItemReminder* r = new CItemReminder;
        int c = 0;
        r->itemid = st.ColInt(c++);
        r->reminder_id = st.ColText(c++);
        r->note_id = st.ColText(c++);
        r->b_valid = st.ColInt(c++);
        r->time_initial = st.ColInt(c++);
        r->time_to_run = st.ColInt(c++);
        r->repeat = st.ColInt(c++);
        r->completed = st.ColInt(c++);
        r->geo_lat = st.ColText(c++);
        r->geo_lng = st.ColText(c++);
        r->priority = st.ColInt(c++);
        r->type_reminder = st.ColInt(c++);
        list->AddTail(r);
    }
    return 1;
}

int CPeloraDatabase::RemoveReminder(const CItemReminder* filter)
{
    DB_OP_LOCKED("RemoveReminder", 0);
    if (!filter || (filter->note_id.IsEmpty() && filter->reminder_id.IsEmpty()))
        return 0;
    CStatement st(m_db, "DELETE FROM reminders WHERE itemid>0" +
                            IdConditions(filter->note_id, filter->reminder_id, "reminder_id") + ";");
    if (!st.Ok())
        return 0;
    BindIdConditions(st, filter->note_id, filter->reminder_id);
    if (!st.Run()) {
        LogFailure("DB::CPeloraDatabase::RemoveReminder", __LINE__, m_db, "delete failed");
        return 0;
    }
    return 1;
}

int CPeloraDatabase::CreateTask(CItemTask* rec)
{
    DB_OP_LOCKED("CreateTask", 0);
    if (!rec)
        return 0;
    // The task leaves the pending insert state whatever happens: a failed insert is logged and
    // reported, not retried on every save.
    rec->pending_insert = 0;
    CStatement st(m_db, InsertColumns("tasks", kTaskColumns, kTaskColumnCount));
    if (!st.Ok())
        return 0;
    BindTask(st, rec);
    if (st.Step() != SQLITE_DONE) {
        LogFailure("DB::CPeloraDatabase::CreateTask", __LINE__, m_db, "Didn't Insert Item!");
        return 0;
    }
    rec->itemid = (int)sqlite3_last_insert_rowid(m_db);
    return 1;
}

int CPeloraDatabase::UpdateTask(CItemTask* rec)
{
    DB_OP_LOCKED("UpdateTask", 0);
    if (!rec || rec->task_id.IsEmpty())
        return 0;
    CStatement st(m_db, "UPDATE tasks SET " + AssignColumns(kTaskColumns, kTaskColumnCount) + " WHERE task_id=?8;");
    if (!st.Ok())
        return 0;
    BindTask(st, rec);
    st.Text(8, rec->task_id);
    rec->pending_update = 0;
    if (st.Step() != SQLITE_DONE) {
        LogFailure("DB::CPeloraDatabase::UpdateTask", __LINE__, m_db, "Didn't Update Item!");
        return 0;
    }
    return 1;
}

int CPeloraDatabase::GetTaskList(const CItemTask* filter, CItemList* list)
{
    DB_OP_LOCKED("GetTaskList", 0);
    if (!list || !filter)
        return 0;
    CStatement st(m_db, "SELECT itemid, " + JoinColumns(kTaskColumns, kTaskColumnCount) + " FROM tasks WHERE itemid>0" +
                            IdConditions(filter->note_id, filter->task_id, "task_id") + ";");
    if (!st.Ok())
        return 1;
    BindIdConditions(st, filter->note_id, filter->task_id);
    while (st.Row()) {
        CItemTask* t = new CItemTask;
        int c = 0;
        t->itemid = st.ColInt(c++);
        t->task_id = st.ColText(c++);
        t->note_id = st.ColText(c++);
        t->task_info = st.ColText(c++);
        t->task_prn_id = st.ColText(c++);
        t->b_checked = st.ColInt(c++);
        t->date_create = st.ColInt(c++);
        t->date_update = st.ColInt(c++);
        list->AddTail(t);
    }
    return 1;
}

int CPeloraDatabase::RemoveTask(const CItemTask* filter)
{
    DB_OP_LOCKED("RemoveTask", 0);
    if (!filter || (filter->note_id.IsEmpty() && filter->task_id.IsEmpty()))
        return 0;
    CStatement st(m_db, "DELETE FROM tasks WHERE itemid>0" + IdConditions(filter->note_id, filter->task_id, "task_id") + ";");
    if (!st.Ok())
        return 0;
    BindIdConditions(st, filter->note_id, filter->task_id);
    if (!st.Run()) {
        LogFailure("DB::CPeloraDatabase::RemoveTask", __LINE__, m_db, "delete failed");
        return 0;
    }
    return 1;
}

} // namespace DB
