// Record files held open for the length of a scope: each one that was closed is opened at the
// start and closed again at the end (an open costs a transaction of the database folder).
#pragma once

#include <initializer_list>
#include <vector>

#include "dblib/IsamMgr.h"

class HeldFiles {
public:
    HeldFiles(std::initializer_list<IsamMgr*> files) {
        for (IsamMgr* f : files) {
            if (!f->IsOpen() && f->Open() == 0) opened_.push_back(f);
        }
    }
    ~HeldFiles() {
        for (IsamMgr* f : opened_) f->Close();
    }
    HeldFiles(const HeldFiles&) = delete;
    HeldFiles& operator=(const HeldFiles&) = delete;

private:
    std::vector<IsamMgr*> opened_;
};
