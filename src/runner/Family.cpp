#include <wchar.h>

#include <windows.h>

#include <tlhelp32.h>

#include "../heap/Heap.h"
#include "Family.h"

// How the uninstaller's processes are followed. A job object would report
// every descendant without asking, but it cannot hold them all: the shell
// starts a program that asks for administrator rights outside the caller's
// reach, and before Windows 8 a process already in a job (a host started by
// a launcher that uses one) may refuse another. A process snapshot, which
// gives each process's parent, follows both kinds of start alike, so it is
// the one way here. The wait sleeps on the followed processes and on a
// change of the Uninstall key's subkeys, and takes a new snapshot when one
// of them wakes it or, at the latest, after FollowPeriodMs: only a process
// that starts a child and ends between two snapshots hides that child, and
// a few snapshots a second cost the host next to nothing.
const DWORD FollowPeriodMs = 200;
// The processes followed at once, those that have ended included; the
// running ones, and the key's event, are waited for in one call.
const int FamilyLimit = MAXIMUM_WAIT_OBJECTS - 1;

typedef DWORD(WINAPI* GetProcessIdCall)(HANDLE process);

// The process id behind a handle; 0 when the system cannot tell (before
// Windows XP SP1, which also has no elevation to hand off across).
static DWORD ProcessIdOf(HANDLE process) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    GetProcessIdCall getProcessId =
        kernel ? (GetProcessIdCall)(void*)GetProcAddress(kernel, "GetProcessId") : NULL;
    return getProcessId ? getProcessId(process) : 0;
}

// A process's start; false when the handle does not allow asking.
static bool CreationTime(HANDLE process, FILETIME* created) {
    FILETIME ended, kernel, user;
    return GetProcessTimes(process, created, &ended, &kernel, &user) != 0;
}

// The rights a descendant is opened with, the first that the system grants:
// waiting alone is allowed across rights, and the creation time is read
// where the rights allow it (the limited query is unknown before Vista).
static const DWORD OpenRights[] = {
    SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION,
    SYNCHRONIZE | PROCESS_QUERY_INFORMATION,
    SYNCHRONIZE,
};

struct Member {
    DWORD Id;
    HANDLE Process;
    FILETIME Created;
    bool Timed;  // Created is known
    bool Ended;
};

// The processes followed. Each is held open until the end, so that its id,
// which its children name as their parent's, is never reused meanwhile.
class Family {
public:
    explicit Family(HANDLE first) : Count(0) {
        DWORD id = ProcessIdOf(first);
        if (id != 0)
            Add(id, first);
    }
    ~Family() {
        // The first process is the caller's.
        for (int i = 1; i < Count; i++)
            CloseHandle(Members[i].Process);
    }
    Family(const Family&) = delete;
    Family& operator=(const Family&) = delete;

    // Takes in every process of a new snapshot that a member started.
    void TakeNewcomers() {
        if (Count == 0)
            return;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE)
            return;
        // A newcomer's own children may come before it in the snapshot.
        bool grew = true;
        while (grew && Count < FamilyLimit) {
            grew = false;
            PROCESSENTRY32 entry;
            entry.dwSize = sizeof(entry);
            for (BOOL more = Process32First(snapshot, &entry); more && Count < FamilyLimit;
                 more = Process32Next(snapshot, &entry)) {
                const Member* parent = Find(entry.th32ParentProcessID);
                if (parent && !Find(entry.th32ProcessID) && TakeChild(*parent, entry.th32ProcessID))
                    grew = true;
            }
        }
        CloseHandle(snapshot);
    }

    // Puts the handles of the members still running into handles (room at
    // most); their number.
    int Running(HANDLE* handles, int room) {
        int running = 0;
        for (int i = 0; i < Count && running < room; i++) {
            Member& member = Members[i];
            if (!member.Ended && WaitForSingleObject(member.Process, 0) != WAIT_TIMEOUT)
                member.Ended = true;
            if (!member.Ended)
                handles[running++] = member.Process;
        }
        return running;
    }

private:
    const Member* Find(DWORD id) const {
        for (int i = 0; i < Count; i++)
            if (Members[i].Id == id)
                return &Members[i];
        return NULL;
    }

    void Add(DWORD id, HANDLE process) {
        Member& member = Members[Count++];
        member.Id = id;
        member.Process = process;
        member.Timed = CreationTime(process, &member.Created);
        member.Ended = false;
    }

    // A process that names parent as its own is its child only when it was
    // created after it: otherwise it is the child of an earlier process
    // that had the same id. One whose age cannot be read is taken: waiting
    // too long for it is the lesser fault, and the key's removal ends the
    // wait anyway.
    bool TakeChild(const Member& parent, DWORD id) {
        HANDLE process = NULL;
        for (DWORD rights : OpenRights) {
            process = OpenProcess(rights, FALSE, id);
            if (process)
                break;
        }
        if (!process)
            return false;
        FILETIME created;
        if (parent.Timed && CreationTime(process, &created) &&
            CompareFileTime(&created, &parent.Created) < 0) {
            CloseHandle(process);
            return false;
        }
        Add(id, process);
        return true;
    }

    Member Members[FamilyLimit];
    int Count;
};

// The watched key's presence, and an event that a change of its parent's
// subkeys (the Uninstall key's list of programs) sets.
class KeyWatch {
public:
    explicit KeyWatch(const WatchedKey* key) : Key(key), Parent(NULL), Changed(NULL) {
        if (!key)
            return;
        wchar_t* parentPath = CopyWideString(key->Path);
        wchar_t* last = parentPath ? wcsrchr(parentPath, L'\\') : NULL;
        if (last) {
            *last = L'\0';
            if (OpenKeyForReading(key->Location, parentPath, &Parent) != ERROR_SUCCESS)
                Parent = NULL;
        }
        FreeBlock(parentPath);
        if (Parent)
            Changed = CreateEventA(NULL, FALSE, FALSE, NULL);
        Arm();
    }
    ~KeyWatch() {
        if (Parent)
            RegCloseKey(Parent);
        if (Changed)
            CloseHandle(Changed);
    }
    KeyWatch(const KeyWatch&) = delete;
    KeyWatch& operator=(const KeyWatch&) = delete;

    bool Gone() const { return Key && !KeyExists(Key->Location, Key->Path); }
    // Null when no change can be watched for: the period alone then looks.
    HANDLE Event() const { return Changed; }
    // Asks again for the next change; each notice is given once.
    void Arm() {
        if (Changed && RegNotifyChangeKeyValue(Parent, FALSE, REG_NOTIFY_CHANGE_NAME, Changed,
                                               TRUE) != ERROR_SUCCESS) {
            CloseHandle(Changed);
            Changed = NULL;
        }
    }

private:
    const WatchedKey* Key;
    HKEY Parent;
    HANDLE Changed;
};

void WaitForFamily(HANDLE first, const WatchedKey* key) {
    Family family(first);
    KeyWatch watch(key);
    for (;;) {
        if (watch.Gone())
            return;
        family.TakeNewcomers();
        HANDLE waits[MAXIMUM_WAIT_OBJECTS];
        int count = family.Running(waits, FamilyLimit);
        if (count == 0)
            return;
        HANDLE changed = watch.Event();
        if (changed)
            waits[count++] = changed;
        DWORD woke = WaitForMultipleObjects((DWORD)count, waits, FALSE, FollowPeriodMs);
        if (woke == WAIT_FAILED)
            return;
        if (changed && woke == WAIT_OBJECT_0 + (DWORD)count - 1)
            watch.Arm();
    }
}
