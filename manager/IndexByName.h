// Index selection by name without the name search on every call: the list windows select
// their indexes once or more per record.
#pragma once

#include "dblib/IsamMgr.h"

// The position of the named index in the file's list, -1 when it has none of that name.
inline int IndexNumber(const IsamMgr& file, const char* name) {
    for (int i = 0; i < file.IndexCount(); ++i)
        if (file.IndexName(i) == name) return i;
    return -1;
}

// One index of one file object, its position looked up again when the object changes.
class IndexByName {
public:
    explicit IndexByName(const char* name) : name_(name) {}
    void Select(IsamMgr& file) {
        if (&file != file_) {
            number_ = IndexNumber(file, name_);
            file_ = &file;
        }
        if (number_ >= 0) file.SelectIndexNumber(number_);
        else file.SelectIndex(name_);  // reports the missing index
    }

private:
    const char* name_;
    const IsamMgr* file_ = nullptr;
    int number_ = -1;
};
