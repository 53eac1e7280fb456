#include "reader/part_table.h"

namespace dorvik {

bool PartTable::Record(char* start, int kind) {
    if (count_ >= room_) return false;
    starts_[count_] = start;
    kinds_[count_] = kind;
    ++count_;
    return true;
}

void PartTable::SetFirst(char* start, int kind) {
    if (room_ <= 0) return;
    starts_[0] = start;
    kinds_[0] = kind;
}

} // namespace dorvik
