#include "datasets/RecordsCache.h"
#include "platform/Raised.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <vector>

namespace {

std::vector<Byte> Filled(Integer Size, Byte Value) { return std::vector<Byte>(static_cast<size_t>(Size), Value); }

std::vector<Integer> Order(const TRecordsCache& C, Integer N) {
    std::vector<Integer> r;
    for (Integer i = 0; i < N; ++i) r.push_back(C.PhysicalRecNo(i));
    return r;
}

TEST(TRecordsCache, BlockSizing) {
    TRecordsCache c(10, 100, 90, 0);
    EXPECT_EQ(c.BlockSize(), 1100);
    EXPECT_EQ(c.RecordsPerBlock(), 12);
    TRecordsCache big(4, 600, 500, 0);
    EXPECT_EQ(big.BlockSize(), 2000);
    EXPECT_EQ(big.RecordsPerBlock(), 4);
    EXPECT_THROW(TRecordsCache(10, 100, 0, 0), EMemManagerError);
    EXPECT_EQ(MessageOf<EMemManagerError>([&] { TRecordsCache bad(1, 100, 2000, 0); }), "Incompatible Sizes");
}

TEST(TRecordsCache, EmptyCacheReadsNothing) {
    TRecordsCache c(10, 100, 90, 0);
    const Byte* work = c.GetRecordBuffer(1);
    for (Integer i = 0; i < 100; ++i) ASSERT_EQ(work[i], 1) << i;
    auto buffer = Filled(100, 7);
    EXPECT_EQ(MessageOf<EMemManagerError>([&] { c.ReadRecord(1, buffer.data()); }),
              "Can't read Buffer.Incorrect RecordNo");
    // A failed read changes nothing.
    EXPECT_EQ(c.RecordCount(), 0);
    EXPECT_EQ(buffer[0], 7);
    EXPECT_THROW(c.WriteRecord(1, buffer.data(), false), EMemManagerError);
    EXPECT_EQ(c.RecordCount(), 0);
    EXPECT_EQ(c.RecordImage(1), nullptr);
}

TEST(TRecordsCache, WriteAndReadBack) {
    TRecordsCache c(2, 32, 16, 0);  // small records: the block is a multiple of the buffer above 1024
    for (Integer r = 1; r <= 200; ++r) {
        auto b = Filled(32, static_cast<Byte>(r));
        c.WriteRecord(r, b.data(), true);
    }
    EXPECT_EQ(c.RecordCount(), 200);
    EXPECT_EQ(c.BlockCount(), (200 + c.RecordsPerBlock() - 1) / c.RecordsPerBlock());
    auto out = Filled(32, 0);
    c.ReadRecord(137, out.data());
    EXPECT_EQ(out[0], 137);
    EXPECT_EQ(out[15], 137);
    EXPECT_EQ(out[16], 0);  // beyond the image
    c.WriteRecord(137, nullptr, false);
    c.ReadRecord(137, out.data());
    EXPECT_EQ(out[0], 0);
}

TEST(TRecordsCache, FarRecordGetsAllItsBlocks) {
    TRecordsCache c(4, 100, 90, 0);
    Byte* image = c.RecordAddress(100);
    ASSERT_NE(image, nullptr);
    std::memset(image, 5, 90);  // must lie inside an allocated block
    EXPECT_EQ(c.RecordCount(), 100);
    EXPECT_EQ(c.RecordImage(100), image);
    EXPECT_THROW(c.RecordAddress(0), EMemManagerError);
}

TEST(TRecordsCache, LogicalOrder) {
    TRecordsCache c(10, 100, 90, 0);
    for (Integer r = 1; r <= 3; ++r) c.WriteRecord(r, Filled(100, static_cast<Byte>(r)).data(), true);
    c.InsertRecord(0);
    EXPECT_EQ(c.PhysicalRecNo(0), 4);
    EXPECT_EQ(c.LogicalIndex(1), 1);
    EXPECT_EQ(c.LogicalIndex(4), 0);
    EXPECT_EQ(c.RecordCount(), 4);
    c.WriteRecord(1, Filled(100, 44).data(), true);  // logical 1 is the new physical 4
    auto out = Filled(100, 0);
    c.ReadRecord(2, out.data());
    EXPECT_EQ(out[0], 1);
    c.ReadRecord(1, out.data());
    EXPECT_EQ(out[0], 44);

    c.ExchangeRecords(0, 3);
    EXPECT_EQ(Order(c, 4), (std::vector<Integer>{3, 1, 2, 4}));
    c.MoveRecord(0, 2);
    EXPECT_EQ(Order(c, 4), (std::vector<Integer>{1, 2, 3, 4}));
    c.MoveRecord(3, 0);
    EXPECT_EQ(Order(c, 4), (std::vector<Integer>{4, 1, 2, 3}));
    c.MoveRecord(1, 1);
    EXPECT_EQ(Order(c, 4), (std::vector<Integer>{4, 1, 2, 3}));
    EXPECT_EQ(c.PhysicalRecNo(4), -1);
    EXPECT_EQ(c.PhysicalRecNo(-1), -1);
    EXPECT_TRUE(c.RecordExists(4));
    EXPECT_FALSE(c.RecordExists(5));
    EXPECT_FALSE(c.RecordExists(0));
    EXPECT_EQ(c.LogicalIndex(9), -1);
}

TEST(TRecordsCache, OutOfRangePositionsRaiseBeforeChanging) {
    TRecordsCache c(10, 100, 90, 0);
    for (Integer r = 1; r <= 3; ++r) c.WriteRecord(r, Filled(100, static_cast<Byte>(r)).data(), true);
    EXPECT_THROW(c.ExchangeRecords(0, 3), EListError);
    EXPECT_THROW(c.MoveRecord(-1, 0), EListError);
    EXPECT_THROW(c.MoveRecord(0, 3), EListError);
    EXPECT_THROW(c.InsertRecord(4), EListError);
    EXPECT_EQ(Order(c, 3), (std::vector<Integer>{1, 2, 3}));
    EXPECT_EQ(c.RecordCount(), 3);
    c.InsertRecord(3);  // at the end is fine
    EXPECT_EQ(Order(c, 4), (std::vector<Integer>{1, 2, 3, 4}));
}

TEST(TRecordsCache, WithoutIndexPositionsArePhysical) {
    TRecordsCache c(10, 100, 90, 0);
    c.WriteRecord(2, Filled(100, 2).data(), true);
    EXPECT_EQ(c.RecordCount(), 2);
    EXPECT_EQ(c.PhysicalRecNo(5), 6);
    EXPECT_EQ(c.LogicalIndex(2), 1);
    EXPECT_TRUE(c.RecordExists(2));
    EXPECT_FALSE(c.RecordExists(3));
}

// Buffer: 4 header bytes, string column 1 at 4 (room 10), column 2 at 14 (room 6), 8 tail bytes.
class StringColumns : public ::testing::Test {
protected:
    StringColumns() : Cache(10, 28, 12, 2) {
        Cache.SetStringColumn(1, 4, 10);
        Cache.SetStringColumn(2, 14, 6);
    }
    std::vector<Byte> Buffer(const char* S1, const char* S2, Byte Fill) {
        auto b = Filled(28, Fill);
        std::memset(b.data() + 4, 0, 16);
        std::memcpy(b.data() + 4, S1, std::strlen(S1));
        std::memcpy(b.data() + 14, S2, std::strlen(S2));
        return b;
    }
    AnsiString Column(const std::vector<Byte>& B, Integer Offset, Integer Room) {
        return AnsiString(reinterpret_cast<const char*>(B.data()) + Offset,
                          strnlen(reinterpret_cast<const char*>(B.data()) + Offset, Room));
    }
    TRecordsCache Cache;
};

TEST_F(StringColumns, ValuesLiveOutsideTheImage) {
    Cache.WriteRecord(1, Buffer("hello", "abcdef", 9).data(), true);
    EXPECT_EQ(Cache.Strings()->GetValue(0, 0), "hello");
    EXPECT_EQ(Cache.Strings()->GetValue(1, 0), "abcdef");
    auto out = Filled(28, 0xEE);
    Cache.ReadRecord(1, out.data());
    EXPECT_EQ(out[0], 9);
    EXPECT_EQ(out[3], 9);
    EXPECT_EQ(Column(out, 4, 10), "hello");
    EXPECT_EQ(out[9], 0);
    EXPECT_EQ(Column(out, 14, 6), "abcdef");
    EXPECT_EQ(out[20], 9);
    EXPECT_EQ(out[27], 9);
}

TEST_F(StringColumns, TooLongValueIsCutToItsRoom) {
    Cache.WriteRecord(1, Buffer("", "", 0).data(), true);
    Cache.SetStringValue(1, 0, "0123456789");  // room 6, no trailing blanks: kept whole
    EXPECT_EQ(Cache.Strings()->GetValue(1, 0), "0123456789");
    auto out = Filled(28, 0xEE);
    Cache.ReadRecord(1, out.data());
    EXPECT_EQ(Column(out, 14, 6), "012345");
    EXPECT_EQ(Cache.Strings()->GetValue(1, 0), "012345");  // stored back cut
}

TEST_F(StringColumns, SetStringValueRules) {
    Cache.WriteRecord(1, Buffer("", "", 0).data(), true);
    struct Case { const char* In; const char* Stored; } cases[] = {
        {"", ""}, {"abc", "abc"}, {"abc  ", "abc"}, {"abc\t", "abc\t"}, {"abcdef   ", "abcdef"}, {"abcdefg  ", "abcdefg  "},
    };
    for (const auto& c : cases) {
        Cache.SetStringValue(1, 0, c.In);
        EXPECT_EQ(Cache.Strings()->GetValue(1, 0), c.Stored) << '"' << c.In << '"';
    }
    Cache.SetStringValue(0, 0, "\xf0\xfd  ");  // code page 1254 letters are not blanks
    EXPECT_EQ(Cache.Strings()->GetValue(0, 0), "\xf0\xfd");
    EXPECT_THROW(Cache.SetStringValue(2, 0, "x"), EStrCollectionError);
}

TEST_F(StringColumns, SetStringValueFromBuffer) {
    Cache.WriteRecord(1, Buffer("", "", 0).data(), true);
    const char padded[] = "ab        zz";  // CHAR value padded to the room of 10
    Cache.SetStringValueFromBuffer(0, 0, true, -1, padded);
    EXPECT_EQ(Cache.Strings()->GetValue(0, 0), "ab");
    const char raw[] = "ab  \0zzzzzz";
    Cache.SetStringValueFromBuffer(0, 0, false, -1, raw);
    EXPECT_EQ(Cache.Strings()->GetValue(0, 0), "ab  ");
    Cache.SetStringValueFromBuffer(0, 0, false, 3, raw);
    EXPECT_EQ(Cache.Strings()->GetValue(0, 0), "ab ");
    Cache.SetStringValueFromBuffer(0, 0, true, 2, "\xe7\x20");
    EXPECT_EQ(Cache.Strings()->GetValue(0, 0), "\xe7");
}

TEST_F(StringColumns, LogKeepsOneSlotPerRecordWithTheLaterImage) {
    Cache.WriteRecord(1, Buffer("first", "a", 1).data(), true);
    Cache.WriteRecord(2, Buffer("second", "b", 2).data(), true);
    Cache.SaveToLog(1);
    Cache.WriteRecord(1, Buffer("edited", "c", 3).data(), false);
    Cache.SaveToLog(1);
    EXPECT_EQ(Cache.LogEntryCount(), 1);
    Cache.WriteRecord(1, Buffer("third", "d", 4).data(), false);
    auto out = Filled(28, 0);
    Cache.ReadRecord(1, out.data(), true);
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(Column(out, 4, 10), "edited");
    Cache.ReadRecord(2, out.data(), true);  // no saved copy: the current image
    EXPECT_EQ(Column(out, 4, 10), "second");
    Cache.ClearLog();
    EXPECT_EQ(Cache.LogBlockCount(), 0);
    Cache.SaveToLog(2);  // slots start again after clearing
    Cache.ReadRecord(2, out.data(), true);
    EXPECT_EQ(Column(out, 4, 10), "second");
    EXPECT_THROW(Cache.SaveToLog(100), EMemManagerError);  // beyond the blocks
    EXPECT_EQ(Cache.LogEntryCount(), 1);
}

TEST(TRecordsCache, OneLogBlockPerRecordWithOneRecordPerBlock) {
    TRecordsCache c(1, 2000, 1500, 0);
    ASSERT_EQ(c.RecordsPerBlock(), 1);
    for (Integer r = 1; r <= 3; ++r) c.WriteRecord(r, Filled(2000, static_cast<Byte>(r)).data(), true);
    for (Integer r = 1; r <= 3; ++r) {
        c.SaveToLog(r);
        EXPECT_EQ(c.LogBlockCount(), r);
    }
}

TEST(TRecordsCache, WorkBuffer) {
    TRecordsCache c(10, 100, 90, 0);
    c.WriteRecord(1, Filled(100, 10).data(), true);
    EXPECT_EQ(c.GetRecordBuffer(1)[0], 10);
    EXPECT_EQ(c.WorkRecNo(), 1);
    // The work buffer keeps the values before an edit until it is loaded again.
    c.WriteRecord(1, Filled(100, 11).data(), false);
    EXPECT_EQ(c.GetRecordBuffer(1)[0], 10);
    c.WriteBackRecord(1);
    auto out = Filled(100, 0);
    c.ReadRecord(1, out.data());
    EXPECT_EQ(out[0], 10);
    // A new edit of the same record starts from what was posted last.
    c.WriteRecord(1, Filled(100, 12).data(), false);
    c.LoadWorkBuffer(1);
    EXPECT_EQ(c.GetRecordBuffer(1)[0], 12);
    EXPECT_EQ(c.GetRecordBuffer(5)[0], 1);

    c.SetLogMode(true);
    c.LoadWorkBuffer(1);  // saves a copy
    EXPECT_EQ(c.LogEntryCount(), 1);
    c.WriteRecord(1, Filled(100, 13).data(), false);
    EXPECT_EQ(c.GetRecordBuffer(1)[0], 12);
    EXPECT_EQ(c.GetRecordBuffer(2)[0], 1);
}

TEST(TStringCollection, RowsAndChecks) {
    TStringCollection s(2);
    EXPECT_EQ(s.AddRow(), 1);
    EXPECT_EQ(s.Capacity(), 128);
    for (Integer i = 1; i < 128; ++i) s.AddRow();
    s.AddRow();
    EXPECT_EQ(s.Capacity(), 192);
    EXPECT_EQ(s.RowCount(), 129);
    s.SetValue(1, 128, "x");
    EXPECT_EQ(s.GetValue(1, 128), "x");
    EXPECT_EQ(s.ValueView(1, 128), "x");
    s.SetValueFromBuffer(0, 5, "abc\0def", -1);
    EXPECT_EQ(s.GetValue(0, 5), "abc");
    s.SetValueFromBuffer(0, 5, "abcdef", 2);
    EXPECT_EQ(s.GetValue(0, 5), "ab");
    struct Case { Integer X, Y; const char* Read; const char* Write; } cases[] = {
        {2, 0, "Can't read value to StrCollection. Bad X-Index", "Can't write value to StrCollection. Bad X-Index"},
        {-1, 0, "Can't read value to StrCollection. Bad X-Index", "Can't write value to StrCollection. Bad X-Index"},
        {0, 129, "Can't read value to StrCollection. Bad Y-Index", "Can't write value to StrCollection. Bad Y-Index"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MessageOf<EStrCollectionError>([&] { s.GetValue(c.X, c.Y); }), c.Read);
        EXPECT_EQ(MessageOf<EStrCollectionError>([&] { s.SetValue(c.X, c.Y, "v"); }), c.Write);
    }
    s.Clear();
    EXPECT_EQ(s.RowCount(), 0);
    EXPECT_EQ(s.Capacity(), 0);
    EXPECT_THROW(s.GetValue(0, 0), EStrCollectionError);
}

TEST(TStringCollection, ChangingAnyColumnOfAnyRowKeepsTheOtherTexts) {
    TStringCollection s(3);
    for (Integer i = 0; i < 3; ++i) s.AddRow();
    const AnsiString Long(300, 'u');   // a length written in two bytes
    struct Step { Integer X, Y; AnsiString Value; } steps[] = {
        {1, 0, "orta"}, {0, 0, "baş"}, {2, 0, Long},   // the newest row, out of column order
        {0, 1, "ikinci"},                             // another row: the first moves no more
        {1, 0, "uzayan orta metin"},                  // an older row grows: it moves
        {2, 0, ""},                                   // and shrinks at its end
        {0, 2, Long}, {0, 2, "kısa"},                 // the newest row shrinks in place
    };
    std::map<std::pair<Integer, Integer>, AnsiString> want;
    for (const Step& st : steps) {
        s.SetValue(st.X, st.Y, st.Value);
        want[{st.X, st.Y}] = st.Value;
        for (Integer y = 0; y < 3; ++y)
            for (Integer x = 0; x < 3; ++x) {
                auto it = want.find({x, y});
                ASSERT_EQ(s.GetValue(x, y), it == want.end() ? AnsiString() : it->second) << x << "," << y;
            }
    }
    AnsiString joined;
    s.ForEachValue(0, [&](Integer, const char* c, size_t n) { joined += AnsiString(c, n) + "|"; });
    EXPECT_EQ(joined, "baş|uzayan orta metin||");
}

TEST(TStringCollection, RowsRewrittenOverAndOverDoNotGrowTheMemory) {
    TStringCollection s(3);
    for (Integer i = 0; i < 32; ++i) s.AddRow();
    const AnsiString Text(200, 'x');
    for (Integer round = 0; round < 2000; ++round)
        for (Integer y = 0; y < 32; ++y) s.SetValue(round % 3, y, Text + IntToStr(round));
    EXPECT_LT(s.HeapSize(), size_t(4) * 256 * 1024);   // 13 MB were written
    EXPECT_EQ(s.GetValue(0, 31), Text + "1998");
    EXPECT_EQ(s.GetValue(1, 0), Text + "1999");
    EXPECT_EQ(s.GetValue(2, 17), Text + "1997");
}

TEST(TSortedList, KeepsAscendingSet) {
    TSortedList l;
    EXPECT_EQ(l.Last(), -1);
    for (Integer v : {5, 1, 9, 5, 3}) l.Add(v);
    ASSERT_EQ(l.Count(), 4);
    EXPECT_EQ(l.Items(0), 1);
    EXPECT_EQ(l.Last(), 9);
    Integer i;
    EXPECT_TRUE(l.Find(5, i));
    EXPECT_EQ(i, 2);
    EXPECT_FALSE(l.Find(4, i));
    EXPECT_EQ(i, 2);
    l.ShiftFrom(5, 10);
    EXPECT_EQ(l.Items(2), 15);
    EXPECT_EQ(l.Items(1), 3);
    l.Remove(3);
    l.Remove(42);
    EXPECT_EQ(l.Count(), 3);
    EXPECT_THROW(l.Items(3), EListError);
    l.Clear();
    EXPECT_EQ(l.Count(), 0);
}

class Counted : public TObject {
public:
    explicit Counted(int& Alive) : FAlive(Alive) { ++FAlive; }
    ~Counted() override { --FAlive; }

private:
    int& FAlive;
};

TEST(TObjStringList, SortedKeepsDuplicatesAndCase) {
    int alive = 0;
    {
        TObjStringList l(nullptr, false);
        l.AddObject("select b", new Counted(alive));
        l.AddObject("select a", new Counted(alive));
        l.AddObject("select b", new Counted(alive));
        l.AddObject("SELECT A", new Counted(alive));
        ASSERT_EQ(l.Count(), 4);
        EXPECT_EQ(l.Strings(0), "SELECT A");
        EXPECT_EQ(l.Strings(1), "select a");
        Integer i;
        EXPECT_TRUE(l.Find("select b", i));
        EXPECT_EQ(i, 2);
        EXPECT_FALSE(l.Find("select A", i));
        TObject* o = l.GetObject(2);
        l.Remove("select b");  // taken out, not freed
        EXPECT_EQ(l.Count(), 3);
        EXPECT_EQ(alive, 4);
        delete o;
        EXPECT_THROW(l.Delete(3), EListError);
    }
    EXPECT_EQ(alive, 0);
}

TEST(TObjStringList, HashedHoldsEachTextOnce) {
    int alive = 0;
    {
        TObjStringList l(nullptr, true);
        const AnsiString longText = "SELECT A, B, C FROM SOME_TABLE WHERE X = 1";
        const Integer a = l.AddObject(longText, new Counted(alive));
        Counted* spare = new Counted(alive);
        EXPECT_EQ(l.AddObject(longText, spare), a);
        delete spare;
        l.AddObject("short", new Counted(alive));
        l.AddObject("Short", new Counted(alive));
        EXPECT_EQ(l.Count(), 3);
        Integer i;
        ASSERT_TRUE(l.Find("Short", i));
        EXPECT_EQ(l.Strings(i), "Short");
        EXPECT_FALSE(l.Find("SHORT", i));
        for (Integer k = 1; k < l.Count(); ++k)
            EXPECT_LE(TObjStringList::HashOf(l.Strings(k - 1)), TObjStringList::HashOf(l.Strings(k)));
        TObject* o = l.GetObject(l.Count() - 1);
        l.Delete(l.Count() - 1);
        delete o;
    }
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(TObjStringList::HashOf("AB"), ('A' - 32) * 37 + ('B' - 32));
}

TEST(TFBFieldDescrList, AddAndItems) {
    TFBFieldDescrList l;
    l.SetCapacity(4);
    EXPECT_EQ(l.Add(448, 0, 40, 1, 0, 1, 0), 0);
    EXPECT_EQ(l.Add(496, 0, 4, 0, 0, 0, 0), 1);
    TFBFieldDescr* d = l.Items(0);
    EXPECT_EQ(d->SqlType, 448);
    EXPECT_EQ(d->Width, 40);
    EXPECT_EQ(d->Nullable, 1);
    EXPECT_EQ(d->OutOfLine, 1);
    EXPECT_EQ(d->Offset, 0);
    d->Offset = 12;
    EXPECT_EQ(l.Items(0)->Offset, 12);
    EXPECT_THROW(l.Items(2), EListError);
    l.Clear();
    EXPECT_EQ(l.Count(), 0);
}

}  // namespace

// A row made by reaching past the end (its address, one text, a later record)
// but never given texts reads as empty texts, as does every row before it.
TEST_F(StringColumns, RowsNeverGivenTextsReadEmpty) {
    const std::vector<std::function<void(TRecordsCache&)>> roads = {
        [](TRecordsCache& C) { C.RecordAddress(3); },
        [](TRecordsCache& C) { C.RecordAddress(3), C.SetStringValue(1, 2, "x"); },
        [this](TRecordsCache& C) { C.WriteRecord(3, Buffer("late", "x", 0).data(), true); },
    };
    for (size_t road = 0; road < roads.size(); ++road) {
        TRecordsCache c(10, 28, 12, 2);
        c.SetStringColumn(1, 4, 10);
        c.SetStringColumn(2, 14, 6);
        roads[road](c);
        for (Integer r = 1; r <= 2; ++r) {
            auto out = Filled(28, 0xEE);
            ASSERT_NO_THROW(c.ReadRecord(r, out.data())) << road;
            EXPECT_EQ(Column(out, 4, 10), "") << road << " row " << r;
            EXPECT_EQ(Column(out, 14, 6), "") << road << " row " << r;
        }
    }
}
