// Table of the text parts of one message: where each starts in the text area and its kind.
#ifndef DORVIK_READER_PART_TABLE_H
#define DORVIK_READER_PART_TABLE_H

namespace dorvik {

// Kinds of text parts.
inline constexpr int kPartPlain = 1;          // text/plain
inline constexpr int kPartHtml = 2;           // text/html
inline constexpr int kPartDeliveryStatus = 3; // message/delivery-status
inline constexpr int kPartOtherText = 9;      // any other text/*

// Rooms of the library's table and of the viewer's.
inline constexpr int kLibraryPartRoom = 138;
inline constexpr int kViewerPartRoom = 76;

// A part table over caller-owned storage of `room` entries. Parts beyond the room are
// not recorded.
class PartTable {
  public:
    PartTable(char** starts, int* kinds, int room) : starts_(starts), kinds_(kinds), room_(room) {}
    PartTable(const PartTable&) = delete;
    PartTable& operator=(const PartTable&) = delete;

    void Reset() { count_ = 0; }

    // Records a part; false (nothing recorded) when the table is full.
    bool Record(char* start, int kind);

    // Sets the first entry without counting it (a single-part message).
    void SetFirst(char* start, int kind);

    int count() const { return count_; }
    int room() const { return room_; }
    char* start(int i) const { return starts_[i]; }
    int kind(int i) const { return kinds_[i]; }

  private:
    char** starts_;
    int* kinds_;
    int room_;
    int count_ = 0;
};

template <int Room> class FixedPartTable : public PartTable {
    static_assert(Room > 0);

  public:
    FixedPartTable() : PartTable(storage_.starts, storage_.kinds, Room) {}

  private:
    struct Storage {
        char* starts[Room];
        int kinds[Room];
    };
    Storage storage_{};
};

} // namespace dorvik

#endif
