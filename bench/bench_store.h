// The benchmarks' stores: one folder tree wherever a bench makes folders.
#pragma once
#include "PeloraDatabase.h"
#include <vector>

// n folders "Folder 0".. with ids "fld00000"..: the first 20 under the root, each later one
// under one of those. Their itemids in order.
inline std::vector<int> MakeFolders(DB::CPeloraDatabase& db, int folders)
{
    std::vector<int> ids;
    for (int i = 0; i < folders; ++i) {
        DB::CItemFolder f;
        f.folder_id.Format(L"fld%05d", i);
        f.folder_name.Format(L"Folder %d", i);
        f.parent_id = L"usr_folder";
        if (i >= 20)
            f.parent_id.Format(L"fld%05d", i % 20);
        db.CreateFolder(&f);
        ids.push_back(f.itemid);
    }
    return ids;
}
