// TExtStringGrid: sorting rows, inserting, removing and clearing rows and columns, column merges.
#include "grid/ExtGrid.h"

#include "grid/EsgHTMLE.h"
#include "grid/ExtObj.h"
#include "grid/ExtUtil.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <cwctype>
#include <numeric>

namespace {

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

// A separator at position 2 or 3, not last, with digits on both sides.
bool HasSeparatorAt(const AnsiString& T, char Sep) {
    for (size_t I : {size_t(1), size_t(2)})
        if (I + 1 < T.size() && T[I] == Sep && IsDigit(T[I - 1]) && IsDigit(T[I + 1])) return true;
    return false;
}

TSortStyle DetectStyle(const AnsiString& T, TCellType CT) {
    if (IsCheckCellType(CT)) return ssCheckBox;
    const bool Trimmed = T.empty() || (Byte(T.front()) > ' ' && Byte(T.back()) > ' ');
    if ((Trimmed ? NumberKind(T) : NumberKind(Trim(T))) != 2) return ssNumeric;
    if (HasSeparatorAt(T, FormatSettings.DateSeparator))
        return T.find(FormatSettings.TimeSeparator) != AnsiString::npos ? ssDateTime : ssDate;
    if (HasSeparatorAt(T, FormatSettings.TimeSeparator)) return ssTime;
    return ssAlphabetic;
}

bool IsNumberStyle(Integer S) {
    switch (S) {
        case ssNumeric: case ssFinancial: case ssDate: case ssShortDateEU: case ssShortDateUS: case ssDateTime:
        case ssTime: case ssImages: case ssCheckBox: case ssAlphaNumeric: case ssAlphaNumericNoCase:
            return true;
        default:
            return false;
    }
}

std::string_view TrimView(std::string_view T) {
    while (!T.empty() && Byte(T.front()) <= ' ') T.remove_prefix(1);
    while (!T.empty() && Byte(T.back()) <= ' ') T.remove_suffix(1);
    return T;
}

// The plain texts nearly every number cell holds, [sign]digits[point digits] with at
// most 15 digits, read straight to the value the general reader gives them: the
// digits and the power of ten are exact, so one division rounds as the reader does.
// Anything else answers false and goes to the general reader.
bool ReadPlainNumber(std::string_view T, bool Financial, Extended& V) {
    static constexpr Extended Pow10[] = {1e0L, 1e1L, 1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,
                                         1e8L, 1e9L, 1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L};
    const char Ts = FormatSettings.ThousandSeparator, Ds = FormatSettings.DecimalSeparator;
    bool Neg = false, Signed = false, Point = false, Any = false;
    UInt64 M = 0;
    int Digits = 0, Fraction = 0;
    for (const char C : T) {
        if (Financial && C == Ts) continue;
        if (C >= '0' && C <= '9') {
            M = M * 10 + UInt64(C - '0');
            if (M != 0 && ++Digits > 15) return false;
            if (Point) ++Fraction;
            Any = true;
        } else if ((C == Ds || C == '.') && !Point) {
            Point = true;
        } else if ((C == '-' || C == '+') && !Signed && !Any && !Point) {
            Neg = C == '-';
        } else {
            return false;
        }
        Signed = true;
    }
    if (!Any || Fraction > 15) return false;
    V = M == 0 ? 0 : Extended(M) / Pow10[Fraction];
    if (Neg && M != 0) V = -V;
    return true;
}

// The number a cell stands for in a number-like format; a text that does not read
// counts as 0 (Ok false).
Double ReadNumber(Integer Style, const AnsiString& Text, const AnsiString& Prefix, const AnsiString& Suffix, bool& Ok) {
    Ok = false;
    std::string_view T = TrimView(Text);
    if (T.empty()) return 0;
    try {
        TDateTime D = 0;
        switch (Style) {
            case ssDate: Ok = StrToDateEx(AnsiString(T), D); return Ok ? D : 0;
            case ssShortDateEU: D = ParseDMYDate(AnsiString(T)); Ok = D != 0; return D;
            case ssShortDateUS: D = ParseMDYDate(AnsiString(T)); Ok = D != 0; return D;
            case ssDateTime: Ok = TryStrToDateTime(AnsiString(T), D); return Ok ? D : 0;
            case ssTime: Ok = TryStrToTime(AnsiString(T), D); return Ok ? D : 0;
            default: break;
        }
    } catch (const Exception&) {
        return 0;
    }
    if (!Prefix.empty() && T.substr(0, Prefix.size()) == Prefix) T.remove_prefix(Prefix.size());
    if (!Suffix.empty() && T.size() >= Suffix.size() && T.substr(T.size() - Suffix.size()) == Suffix)
        T.remove_suffix(Suffix.size());
    T = TrimView(T);
    Extended V = 0;
    if (ReadPlainNumber(T, Style == ssFinancial, V)) {
        Ok = true;
        return Double(V);
    }
    AnsiString S(T);
    if (Style == ssFinancial) S.erase(std::remove(S.begin(), S.end(), FormatSettings.ThousandSeparator), S.end());
    std::replace(S.begin(), S.end(), FormatSettings.DecimalSeparator, '.');
    static const TFormatSettings Dot = [] {
        TFormatSettings F;
        F.DecimalSeparator = '.';
        F.ThousandSeparator = '\0';
        return F;
    }();
    Ok = TryStrToFloat(S, V, Dot);
    return Ok ? Double(V) : 0;
}

template <typename T> Integer Sign(T A, T B) { return A < B ? -1 : (B < A ? 1 : 0); }

Integer CompareBytes(const AnsiString& A, const AnsiString& B) {
    const int R = A.compare(B);
    return R < 0 ? -1 : (R > 0 ? 1 : 0);
}

Integer CompareWideNoCase(const AnsiString& A, const AnsiString& B) {
    WideString WA = CellTextToWide(A), WB = CellTextToWide(B);
    for (auto& C : WA) C = char16_t(std::towupper(wint_t(C)));
    for (auto& C : WB) C = char16_t(std::towupper(wint_t(C)));
    return Sign(WA, WB);
}

// Formats whose cells compare by their number alone, never by their text.
bool ComparesNumbersOnly(Integer S) { return IsNumberStyle(S) && S != ssAlphaNumeric && S != ssAlphaNumericNoCase; }

// Stable and bounded whatever the comparison answers (the handlers may be inconsistent).
template <typename TItem, typename TCompare> void MergeSort(std::vector<TItem>& Items, const TCompare& Less) {
    std::vector<TItem> Buf(Items.size());
    for (size_t Width = 1; Width < Items.size(); Width *= 2) {
        for (size_t Lo = 0; Lo < Items.size(); Lo += 2 * Width) {
            const size_t Mid = std::min(Lo + Width, Items.size()), Hi = std::min(Lo + 2 * Width, Items.size());
            size_t I = Lo, J = Mid, K = Lo;
            while (I < Mid && J < Hi) Buf[K++] = Less(Items[J], Items[I]) < 0 ? Items[J++] : Items[I++];
            while (I < Mid) Buf[K++] = Items[I++];
            while (J < Hi) Buf[K++] = Items[J++];
        }
        Items.swap(Buf);
    }
}

}  // namespace

// Keys of one column over the rows being compared, each read once: all at once, or
// row by row as comparisons ask for them.
struct TExtStringGrid::TSortColumn {
    Integer Style = ssAlphabetic, NumStyle = ssNumeric;
    bool NumbersOnly = false;
    bool Computed = false;   // Text holds the display hooks' texts of every row
    AnsiString Prefix, Suffix;
    std::vector<AnsiString> Text, Upper;   // Text stays empty for the formats that compare numbers only
    std::vector<Double> Num;
    std::vector<char> Ok, Blank;
    std::vector<char> Read;   // per row when read on demand: its keys are there
};

void TExtStringGrid::ReadSortColumn(TSortColumn& K, Integer ACol, const std::vector<Integer>& Rows, Integer FixStyle,
                                    bool OnDemand) {
    K.Style = FSortSettings->AutoFormat() ? ssAutomatic : ssAlphabetic;
    GetFormat(ACol, K.Style, K.Prefix, K.Suffix);
    const size_t N = Rows.size();
    // Texts the display hooks make are made once; stored ones are read in place.
    K.Computed = OnGetDisplText || OnGetDisplWideText;
    if (K.Computed) {
        K.Text.resize(N);
        for (size_t I = 0; I < N; ++I) K.Text[I] = Cells(ACol, Rows[I]);
    }
    if (K.Style == ssAutomatic) {
        // One format for the whole column: the one every filled cell agrees on.
        K.Style = FixStyle;
        if (FixStyle == ssAutomatic) {
            Integer Found = -1;
            AnsiString Scratch;
            for (size_t I = 0; I < N && Found != ssAlphabetic; ++I) {
                const TCellType CT = GetCellType(ACol, Rows[I]);
                const AnsiString& T = K.Computed ? K.Text[I] : CellsRef(ACol, Rows[I], Scratch);
                if (T.empty() && !IsCheckCellType(CT)) continue;
                const Integer S = DetectStyle(T, CT);
                Found = Found < 0 || Found == S ? S : ssAlphabetic;
            }
            K.Style = Found < 0 ? ssAlphabetic : Found;
        }
    }
    K.NumbersOnly = ComparesNumbersOnly(K.Style);
    K.NumStyle = K.Style == ssAlphaNumeric || K.Style == ssAlphaNumericNoCase ? ssNumeric : K.Style;
    K.Blank.resize(N);
    if (!K.NumbersOnly) K.Text.resize(N);
    if (K.Style == ssAlphaNoCase || K.Style == ssAlphaNumericNoCase) K.Upper.resize(N);
    if (IsNumberStyle(K.Style)) {
        K.Num.resize(N);
        K.Ok.resize(N);
    }
    if (OnDemand && !K.Computed)
        K.Read.assign(N, 0);
    else
        for (size_t I = 0; I < N; ++I) ReadSortKey(K, ACol, Rows, I);
}

void TExtStringGrid::ReadSortKey(TSortColumn& K, Integer ACol, const std::vector<Integer>& Rows, size_t I) {
    AnsiString Scratch;
    const AnsiString& Stored = K.Computed ? K.Text[I] : CellsRef(ACol, Rows[I], Scratch);
    if (!K.NumbersOnly) {
        if (!K.Computed) K.Text[I] = Stored;
        if (K.Style == ssHTML) K.Text[I] = HTMLStrip(K.Text[I]);
    }
    const AnsiString& T = K.NumbersOnly ? Stored : K.Text[I];
    K.Blank[I] = T.empty();
    if (!K.Upper.empty()) K.Upper[I] = UpperCase(T);
    if (K.Num.empty()) return;
    bool Ok = false;
    if (K.Style == ssCheckBox) {   // only a check box's state: other graphics (a radio group) keep flags of their own
        bool On = false;
        K.Num[I] = GetCheckBoxState(ACol, Rows[I], On) && On ? 1 : 0;
        Ok = true;
    } else if (K.Style == ssImages) {
        const TCellGraphic* G = GetCellGraphic(ACol, Rows[I]);
        K.Num[I] = G ? G->CellIndex() : 0;
        Ok = true;
    } else {
        K.Num[I] = ReadNumber(K.NumStyle, T, K.Prefix, K.Suffix, Ok);
    }
    K.Ok[I] = Ok;
}

Integer TExtStringGrid::CompareSortKeys(const TSortColumn& K, Integer ACol, const std::vector<Integer>& Rows, size_t A,
                                        size_t B, bool Descending) {
    if (FSortSettings->IgnoreBlanks() && K.Blank[A] != K.Blank[B]) {
        Integer R = K.Blank[A] ? -1 : 1;
        if (FSortSettings->BlankPos() == blLast) R = -R;
        return Descending ? -R : R;
    }
    switch (K.Style) {
        case ssAlphaNoCase: {
            const Integer R = CompareBytes(K.Upper[A], K.Upper[B]);
            return R != 0 ? R : CompareBytes(K.Text[A], K.Text[B]);
        }
        case ssAnsiAlphaCase: return Sign(AnsiCompareStr(K.Text[A], K.Text[B]), 0);
        case ssAnsiAlphaNoCase: return Sign(AnsiCompareText(K.Text[A], K.Text[B]), 0);
        case ssUnicode: return CompareWideNoCase(K.Text[A], K.Text[B]);
        case ssCustom: {
            Integer Res = 0;
            if (OnCustomCompare) FireEvent(OnCustomCompare, this, K.Text[A], K.Text[B], Res);
            return Sign(Res, 0);
        }
        case ssRaw: {
            Integer Res = 0;
            if (OnRawCompare) FireEvent(OnRawCompare, this, ACol, Rows[A], Rows[B], Res);
            return Sign(Res, 0);
        }
        case ssAlphaNumeric:
        case ssAlphaNumericNoCase:
            if (K.Ok[A] && K.Ok[B]) return Sign(K.Num[A], K.Num[B]);
            if (K.Style == ssAlphaNumeric) return CompareBytes(K.Text[A], K.Text[B]);
            return CompareBytes(K.Upper[A], K.Upper[B]);
        default:
            if (IsNumberStyle(K.Style)) return Sign(K.Num[A], K.Num[B]);
            return CompareBytes(K.Text[A], K.Text[B]);
    }
}

Integer TExtStringGrid::CompareCells(Integer ACol, Integer ARow1, Integer ARow2, bool Descending) {
    const std::vector<Integer> Rows{ARow1, ARow2};
    TSortColumn K;
    // The automatic format of a single comparison is the first cell's.
    ReadSortColumn(K, ACol, Rows, DetectStyle(Cells(ACol, ARow1), GetCellType(ACol, ARow1)));
    return CompareSortKeys(K, ACol, Rows, 0, 1, Descending);
}

// --- sorting ----------------------------------------------------------------------
// The last row of the node at ARow: its span, or up to the next node for a span of 0.
Integer TExtStringGrid::NodeEnd(Integer ARow, Integer ALast) {
    const Integer Span = GetNodeSpan(ARow);
    // Spans count real rows: the last shown row before the node's next real row.
    if (Span > 0) return std::min(ALast, DisplRowIndex(RealRowIndex(ARow) + Span) - 1);
    Integer End = ARow;
    while (End + 1 <= ALast && !IsNode(End + 1)) ++End;
    return End;
}

// Contracted nodes show their children while rows are sorted, so that the children
// move with them; the nodes are returned to be contracted again.
std::vector<const TCellGraphic*> TExtStringGrid::OpenContractedNodes(Integer First) {
    std::vector<const TCellGraphic*> Opened;
    if (!HasNodes() || NumHiddenRows() == 0) return Opened;
    // Bottom up: opening a node moves only the rows below it.
    for (Integer R = LastDataRow(); R >= First; --R) {
        TCellGraphic* G = NodeGraphic(R);
        if (!G || !G->CellBoolean()) continue;
        G->SetCellBoolean(false);
        Opened.push_back(G);
        // Its own rows only: a row hidden just after a one-row node (a filter) stays hidden.
        const Integer Real = RealRowIndex(R), End = NodeEndReal(Real);
        if (End > Real && IsHiddenRow(Real + 1)) ShowHiddenRows(Real + 1, End);
    }
    return Opened;
}

void TExtStringGrid::CloseNodes(const std::vector<const TCellGraphic*>& Nodes) {
    for (const TCellGraphic* G : Nodes)
        for (Integer R = TBaseGrid::FixedRows(); R < RowCount(); ++R)
            if (NodeGraphic(R) == G) {
                ContractNode(RealRowIndex(R));
                break;
            }
}

void TExtStringGrid::SortOnKeys(const std::vector<std::pair<Integer, bool>>& Columns, bool ReportRowUpdate,
                                bool InNodes) {
    EndEditBeforeLayoutChange();
    const Integer First = TBaseGrid::FixedRows();
    EnsureUnsortedOrder();
    if (LastDataRow() - First < 1 || Columns.empty()) return;
    const TAliveGuard Alive(this);   // a handler of the changed cells may close the screen
    BeginUpdate();
    try {
        const auto Opened = OpenContractedNodes(First);
        EnsureUnsortedOrder();
        if (!InNodes) {
            SortRowRange(First, LastDataRow(), Columns);
        } else {
            // Top down: a nested node is sorted at the place its parent's sort gave it. By real
            // rows: the shown rows of a node whose own row the filter hid are sorted too.
            for (Integer Real = First; Alive.Alive() && Real < AllRowCount(); ++Real) {
                const TCellGraphic* G = NodeAtReal(Real);
                if (!G || G->CellBoolean() || std::find(Opened.begin(), Opened.end(), G) != Opened.end()) continue;
                const Integer From = DisplRowIndex(Real) + (IsHiddenRow(Real) ? 0 : 1);
                const Integer End = std::min(LastDataRow(), DisplRowIndex(NodeEndReal(Real) + 1) - 1);
                if (End > From) SortRowRange(From, End, Columns);
            }
        }
        if (Alive.Gone()) return;
        CloseNodes(Opened);
    } catch (...) {
        if (Alive.Alive()) EndUpdate();
        throw;
    }
    EndUpdate();
    if (ReportRowUpdate && !FNavigation->MoveRowOnSort()) {
        ForgetReportedRow();
        ReportRow(Row());
    }
}

void TExtStringGrid::SortRowRange(Integer First, Integer Last, const std::vector<std::pair<Integer, bool>>& Columns) {
    if (Last - First < 1) return;
    // Rows joined by a vertical merge, and a node with its children (and the summary
    // under a group), form one block, compared by its first row.
    std::vector<Integer> Starts, Lens;
    const bool Nodes = HasNodes(), Merges = AnyCellProperties();
    for (Integer R = First; R <= Last;) {
        Integer End = R;
        for (Integer RR = R; RR <= End; ++RR) {
            if (Nodes && IsNode(RR)) {
                End = std::max(End, NodeEnd(RR, Last));
                if (RR == R && End < Last && IsSummaryRow(End + 1)) ++End;
            }
            for (Integer C = 0; Merges && C < ColCount(); ++C)
                if (IsYMergedCell(C, RR)) {
                    const TPoint B = BaseCell(C, RR);
                    if (B.Y >= R) End = std::max(End, std::min(Last, B.Y + CellSpan(C, RR).Y));
                }
        }
        Starts.push_back(R);
        Lens.push_back(End - R + 1);
        R = End + 1;
    }
    // The leading column is read whole; the columns that only break ties (with Full)
    // are read for the tied blocks alone, as the comparisons reach them.
    std::vector<std::unique_ptr<TSortColumn>> Keys(static_cast<size_t>(ColCount()));
    auto KeysOf = [&](Integer C, bool OnDemand) -> TSortColumn& {
        if (!Keys[size_t(C)]) {
            Keys[size_t(C)] = std::make_unique<TSortColumn>();
            ReadSortColumn(*Keys[size_t(C)], C, Starts, ssAutomatic, OnDemand);
        }
        return *Keys[size_t(C)];
    };
    size_t Lead = 0;
    while (Lead < Columns.size() && (Columns[Lead].first < 0 || Columns[Lead].first >= ColCount())) ++Lead;
    if (Lead < Columns.size()) KeysOf(Columns[Lead].first, false);
    const bool Full = FSortSettings->Full();
    // Blocks A and B by the keys from Columns[From] on.
    auto CompareFrom = [&](size_t From, Integer A, Integer B) -> Integer {
        for (size_t I = From; I < Columns.size(); ++I) {
            const auto [C, Desc] = Columns[I];
            if (C < 0 || C >= ColCount()) continue;
            TSortColumn& K = KeysOf(C, true);
            if (!K.Read.empty())
                for (const Integer Bk : {A, B})
                    if (!K.Read[size_t(Bk)]) {
                        ReadSortKey(K, C, Starts, size_t(Bk));
                        K.Read[size_t(Bk)] = 1;
                    }
            Integer R = CompareSortKeys(K, C, Starts, size_t(A), size_t(B), Desc);
            if (Desc) R = -R;
            if (R != 0 || !Full) return R;
        }
        return 0;
    };
    std::vector<Integer> BlockOrder(Starts.size());
    std::iota(BlockOrder.begin(), BlockOrder.end(), 0);
    if (Starts.size() > 1 && Lead < Columns.size() && KeysOf(Columns[Lead].first, false).NumbersOnly) {
        // The leading number keys, their direction and the place of blanks folded in,
        // travel with their blocks: the merges read them in order, not through the block.
        const TSortColumn& K = KeysOf(Columns[Lead].first, false);
        const bool Desc = Columns[Lead].second, Blanks = FSortSettings->IgnoreBlanks();
        const Integer BlankGroup = FSortSettings->BlankPos() == blLast ? 1 : -1;
        struct TItem {
            Double Num;
            Integer Group, Block;
        };
        std::vector<TItem> Items(Starts.size());
        for (size_t I = 0; I < Items.size(); ++I)
            Items[I] = {Desc ? -K.Num[I] : K.Num[I], Blanks && K.Blank[I] ? BlankGroup : 0, Integer(I)};
        MergeSort(Items, [&](const TItem& A, const TItem& B) -> Integer {
            if (A.Group != B.Group) return A.Group < B.Group ? -1 : 1;
            const Integer R = Sign(A.Num, B.Num);
            return R != 0 || !Full ? R : CompareFrom(Lead + 1, A.Block, B.Block);
        });
        for (size_t I = 0; I < Items.size(); ++I) BlockOrder[I] = Items[I].Block;
    } else {
        MergeSort(BlockOrder, [&](Integer A, Integer B) { return CompareFrom(0, A, B); });
    }
    std::vector<Integer> Order;
    Order.reserve(size_t(Last - First + 1));
    for (Integer Bk : BlockOrder)
        for (Integer I = 0; I < Lens[size_t(Bk)]; ++I) Order.push_back(Starts[size_t(Bk)] + I);
    ApplyRowOrder(First, Order);
}

// The order before sorting, by real row: rows hidden meanwhile keep their places. Every
// road that inserts or removes rows inside the grid keeps it in step; a changed RowCount
// adds or drops rows at the end, which keep their places there.
void TExtStringGrid::EnsureUnsortedOrder(Integer ARows) {
    const size_t N = size_t(ARows < 0 ? AllRowCount() : ARows);
    if (FUnsortedOrder.size() == N) return;
    if (FUnsortedOrder.size() > N) {
        FUnsortedOrder.resize(N);
        std::vector<Integer> Rank(N);   // renumbered 0 .. N - 1 in the same order
        std::iota(Rank.begin(), Rank.end(), 0);
        std::sort(Rank.begin(), Rank.end(), [&](Integer A, Integer B) { return FUnsortedOrder[size_t(A)] < FUnsortedOrder[size_t(B)]; });
        for (size_t I = 0; I < N; ++I) FUnsortedOrder[size_t(Rank[I])] = Integer(I);
        return;
    }
    Integer Next = FUnsortedOrder.empty() ? 0 : *std::max_element(FUnsortedOrder.begin(), FUnsortedOrder.end()) + 1;
    while (FUnsortedOrder.size() < N) FUnsortedOrder.push_back(Next++);
}

void TExtStringGrid::ApplyRowOrder(Integer First, const std::vector<Integer>& Order) {
    const bool Normal = FSortSettings->NormalCellsOnly() && TBaseGrid::FixedCols() > 0;
    std::vector<AnsiString> Col0;
    if (Normal)
        for (size_t I = 0; I < Order.size(); ++I) Col0.push_back(RawCells(0, First + Integer(I)));
    TUpdateScope Update(this);
    const Integer OldRow = Row();
    const bool Track = FNavigation->MoveRowOnSort();
    const Integer SortCol = FSortSettings->Column();
    const bool Single = FSortSettings->SingleColumn() && SortCol >= 0 && SortCol < ColCount();
    MoveRowsTo(First, Order, Single ? SortCol : 0, Single ? SortCol : ColCount() - 1, !Single);
    if (Normal)
        for (size_t I = 0; I < Order.size(); ++I) SetRawCells(0, First + Integer(I), Col0[I]);
    if (Track && OldRow >= First && OldRow < First + Integer(Order.size())) {
        const auto It = std::find(Order.begin(), Order.end(), OldRow);
        TBaseGrid::SetRow(First + Integer(It - Order.begin()));
    }
    Update.End();
    CellsChanged(Rect(0, First, ColCount() - 1, First + Integer(Order.size()) - 1));
}

void TExtStringGrid::MoveRowsTo(Integer First, const std::vector<Integer>& Order, Integer FromCol, Integer ToCol,
                                bool WholeRows) {
    EndEditBeforeLayoutChange();
    // A control editor's value goes into its cell before the rows change places.
    ControlEditDone();
    // The cells change places in the store; the rows' places before sorting go with
    // them, and with whole rows their heights and marks too.
    const size_t N = Order.size();
    if (WholeRows) {
        // A merge the new order tears apart is split (a sort keeps merged rows together).
        std::vector<Integer> Dest(N);
        for (size_t I = 0; I < N; ++I) Dest[size_t(Order[I] - First)] = First + Integer(I);
        auto Follow = [&](Integer R) { return R >= First && R < First + Integer(N) ? Dest[size_t(R - First)] : R; };
        // A hidden base row keeps its place: its merge's shown rows may not go.
        SplitMergesBrokenByMove(true, Follow, [&](Integer R, Integer) { return Follow(R) != R; });
    }
    const std::vector<TCellProperties*> Merged = ShownMergeCells();
    std::vector<Integer> Heights(WholeRows ? N : 0), Unsorted(N);
    std::vector<Byte> Marks(WholeRows ? N : 0), Modified(WholeRows ? N : 0), Filtered(WholeRows ? N : 0);
    std::vector<TObject*> Grouped(WholeRows ? N : 0);   // the grouped column's objects
    for (size_t I = 0; I < N; ++I) {
        const Integer S = Order[I];
        Unsorted[I] = FUnsortedOrder[size_t(RealRowIndex(S))];
        if (!WholeRows) continue;
        Heights[I] = RowHeights(S);
        const size_t RS = size_t(RealRowIndex(S));
        Marks[I] = RS < FRowSelect.size() ? FRowSelect[RS] : 0;
        Modified[I] = RS < FRowMarks.size() ? FRowMarks[RS] : 0;
        Filtered[I] = RS < FFilteredRows.size() ? FFilteredRows[RS] : 0;
        Grouped[I] = RS < FGroupColObjects.size() ? FGroupColObjects[RS] : nullptr;
    }
    PermuteRowData(
        First, Order,
        [](TObject* O, Integer C, Integer R) {
            if (auto* P = dynamic_cast<TCellProperties*>(O)) {
                P->SetOwnerRow(R);
                P->SetOwnerCol(C);
            }
        },
        FromCol, ToCol);
    // The modified marks say what changed in a row's data: they always go with it. The
    // row marks, and the cells chosen one by one with them, go when the current row does.
    const bool KeepMarks = WholeRows && (FNavigation->MoveRowOnSort() || FSortKeepsMarks);
    if (KeepMarks && FRowSelect.size() < size_t(AllRowCount())) FRowSelect.resize(size_t(AllRowCount()), 0);
    if (WholeRows && !FRowMarks.empty() && FRowMarks.size() < size_t(AllRowCount()))
        FRowMarks.resize(size_t(AllRowCount()), 0);
    std::map<Integer, Integer> Moved;   // real row from, real row to
    for (size_t I = 0; I < N; ++I) {
        const Integer D = First + Integer(I);
        const size_t RD = size_t(RealRowIndex(D));
        FUnsortedOrder[RD] = Unsorted[I];
        if (!WholeRows) continue;
        if (RowHeights(D) != Heights[I]) SetRowHeights(D, Heights[I]);
        if (KeepMarks && RD < FRowSelect.size()) FRowSelect[RD] = Marks[I];
        if (RD < FRowMarks.size()) FRowMarks[RD] = Modified[I];
        if (RD < FFilteredRows.size()) FFilteredRows[RD] = Filtered[I];   // a filtered row a sort showed by opening its node
        if (RD < FGroupColObjects.size()) FGroupColObjects[RD] = Grouped[I];
        if (KeepMarks && Order[I] != D) Moved[RealRowIndex(Order[I])] = Integer(RD);
    }
    if (!Moved.empty() && !FSelectedCells.empty()) {
        std::set<std::pair<Integer, Integer>> Cells;
        for (const auto& [C, R] : FSelectedCells) {
            const auto It = Moved.find(R);
            Cells.insert({C, It == Moved.end() ? R : It->second});
        }
        FSelectedCells = std::move(Cells);
    }
    RealignMergeCells(Merged);
    // The cell being checked goes with its row.
    if (const Integer D = FCheckedCell.Y >= 0 ? DisplRowIndex(FCheckedCell.Y) : -1;
        D >= First && D < First + Integer(N) && FCheckedCell.X >= FromCol && FCheckedCell.X <= ToCol)
        FCheckedCell.Y = RealRowIndex(First + Integer(std::find(Order.begin(), Order.end(), D) - Order.begin()));
    UpdateCellControls();   // the controls placed in cells go with their cells
}

namespace {

// Equal cells are ordered by the columns after the sort column (with Full).
std::vector<std::pair<Integer, bool>> ColumnKeys(Integer ACol, Integer AColCount, bool Descending) {
    std::vector<std::pair<Integer, bool>> Columns;
    for (Integer K = ACol; K < AColCount; ++K) Columns.emplace_back(K, Descending);
    return Columns;
}

std::vector<std::pair<Integer, bool>> IndexKeys(const std::vector<Integer>& Indexes) {
    if (Indexes.empty()) throw EExtGridError("No indexes specified for indexed sort");
    std::vector<std::pair<Integer, bool>> Columns;
    for (Integer E : Indexes) Columns.emplace_back(E & 0x7FFFFFFF, E < 0);
    return Columns;
}

}  // namespace

void TExtStringGrid::SortOnColumn(bool InNodes) {
    const Integer C = FSortSettings->Column();
    if (C < 0 || C >= ColCount()) return;
    FSortIndexes.clear();
    SortOnKeys(ColumnKeys(C, ColCount(), FSortSettings->Direction() == sdDescending), !InNodes, InNodes);
}

void TExtStringGrid::SortByColumn() { SortOnColumn(false); }

void TExtStringGrid::SortIndexed() { SortOnKeys(IndexKeys(FSortIndexes), false, false); }

void TExtStringGrid::SortNodesByColumn() { SortOnColumn(true); }

void TExtStringGrid::SortNodesIndexed() { SortOnKeys(IndexKeys(FSortIndexes), false, true); }

void TExtStringGrid::RestoreSortOrder() {
    const Integer First = TBaseGrid::FixedRows();
    const Integer Last = RowCount() - 1 - FFixedFooters;
    if (FUnsortedOrder.empty() || Last <= First) return;
    EnsureUnsortedOrder();
    std::vector<Integer> Order(size_t(Last - First + 1));
    std::iota(Order.begin(), Order.end(), First);
    std::stable_sort(Order.begin(), Order.end(),
                     [this](Integer A, Integer B) {
                         return FUnsortedOrder[size_t(RealRowIndex(A))] < FUnsortedOrder[size_t(RealRowIndex(B))];
                     });
    ApplyRowOrder(First, Order);
}

bool TExtStringGrid::ClickSort(Integer ACol, bool Shift) {
    TSortSettings* SS = FSortSettings.get();
    if (TBaseGrid::FixedRows() < 1 || !SS->Show() || RowCount() < 3 || ACol < 0 || ACol >= ColCount()) return false;
    bool DoSort = true;
    const std::shared_ptr<const bool> Alive = AliveToken();   // the handler may free the grid
    if (OnCanSort) FireEvent(OnCanSort, this, ACol, DoSort);
    if (!*Alive) return false;
    if (!DoSort) {
        RepaintCell(ACol, SS->Row());
        return false;
    }
    if (EditorMode()) HideInplaceEditor();
    EnsureUnsortedOrder();
    // Merged runs are split for the sort and merged again over the new order.
    std::vector<Integer> Merged;
    if (SS->AutoColumnMerge())
        for (Integer C = 0; C < ColCount(); ++C)
            for (Integer R = TBaseGrid::FixedRows(); R < RowCount(); ++R)
                if (IsYMergedCell(C, R)) {
                    Merged.push_back(C);
                    SplitColumnCells(C);
                    break;
                }
    if (SS->IndexShow()) {
        const Integer Dir = SS->InitSortDirection() == sdAscending ? TSortIndexList::DescendingBit : 0;
        auto Pos = std::find_if(FSortIndexes.begin(), FSortIndexes.end(),
                                [ACol](Integer E) { return (E & 0x7FFFFFFF) == ACol; });
        if (!Shift && !(FSortIndexes.size() == 1 && Pos != FSortIndexes.end())) FSortIndexes.assign(1, ACol | Dir);
        else if (Pos == FSortIndexes.end()) FSortIndexes.push_back(ACol | Dir);
        else *Pos ^= TSortIndexList::DescendingBit;
        SortIndexed();
    } else if (SS->Column() != ACol) {
        SS->SetDirection(SS->InitSortDirection());
        SS->SetColumn(ACol);
        SortByColumn();
    } else if (SS->UndoSort() && SS->Direction() != SS->InitSortDirection()) {
        RestoreSortOrder();
        if (!*Alive) return true;
        SS->SetDirection(SS->InitSortDirection());
        SS->SetColumn(-1);
    } else {
        SS->SetDirection(SS->Direction() == sdAscending ? sdDescending : sdAscending);
        SortByColumn();
    }
    if (!*Alive) return true;   // sorted; a handler of the changed cells closed the screen
    for (Integer C : Merged) MergeColumnCells(C, true);
    if (OnClickSort) FireEvent(OnClickSort, this, SS->Column());
    return true;
}

void TExtStringGrid::SwapRows(Integer ARow1, Integer ARow2) {
    if (ARow1 == ARow2 || ARow1 < 0 || ARow2 < 0 || ARow1 >= RowCount() || ARow2 >= RowCount()) return;
    EnsureUnsortedOrder();
    const Integer Lo = std::min(ARow1, ARow2), Hi = std::max(ARow1, ARow2);
    std::vector<Integer> Order(size_t(Hi - Lo + 1));
    std::iota(Order.begin(), Order.end(), Lo);
    std::swap(Order.front(), Order.back());
    const Integer SortCol = FSortSettings->Column();
    const bool Single = FSortSettings->SingleColumn() && SortCol >= 0 && SortCol < ColCount();
    MoveRowsTo(Lo, Order, Single ? SortCol : 0, Single ? SortCol : ColCount() - 1, !Single);
    RepaintRow(ARow1);
    RepaintRow(ARow2);
}

// --- inserting and removing -----------------------------------------------------------
void TExtStringGrid::MoveRowBlock(Integer AFrom, Integer ATo, Integer ACount) {
    auto MoveOne = [this](Integer S, Integer D) {
        for (Integer C = 0; C < ColCount(); ++C) {
            TObject* O = RawObjects(C, S);
            SetRawCells(C, D, RawCells(C, S));
            SetRawObjects(C, D, O);
            if (auto* P = dynamic_cast<TCellProperties*>(O)) P->SetOwnerRow(D);
        }
        if (RowHeights(D) != RowHeights(S)) SetRowHeights(D, RowHeights(S));
    };
    if (ATo > AFrom)
        for (Integer I = ACount - 1; I >= 0; --I) MoveOne(AFrom + I, ATo + I);
    else
        for (Integer I = 0; I < ACount; ++I) MoveOne(AFrom + I, ATo + I);
}

void TExtStringGrid::InsertRows(Integer ARow, Integer ACount) {
    if (ACount <= 0 || ARow < 0 || ARow > RowCount()) return;
    EndEditBeforeLayoutChange();
    SplitMergesAround(true, ARow, ACount);
    BeginUpdate();
    const Integer Old = RowCount();
    SetRowCount(Old + ACount);
    MoveRowBlock(ARow, ARow + ACount, Old - ARow);
    for (Integer R = ARow; R < ARow + ACount; ++R) {
        for (Integer C = 0; C < ColCount(); ++C) ClearCell(C, R);
        SetRowHeights(R, DefaultRowHeight());
    }
    RowRecordsInserted(ARow, ACount);
    EndUpdate();
    if (ComponentState().Contains(csDestroying)) return;
    UpdateCellControls();
    CellsChanged(Rect(0, ARow, ColCount() - 1, ARow + ACount - 1));
}

// The Insert and Delete keys insert and remove through InsertRows and RemoveRowsEx,
// so hidden rows, marks and node groups follow as they do for every other road.
void TExtStringGrid::AutoInsertRow(Integer ARow) {
    ARow = std::clamp(ARow, 0, RowCount());
    // A row inserted after the last row of an open node group joins the group (rows
    // inserted among a group's rows join it anyway).
    std::vector<Integer> Ends;   // real rows of the nodes that end right above
    if (HasNodes() && FNavigation->InsertPosition() == pInsertAfter && ARow > TBaseGrid::FixedRows()) {
        const Integer At = ARow < RowCount() ? RealRowIndex(ARow) : AllRowCount();
        for (Integer R = 0; R < At; ++R)
            if (const TCellGraphic* G = NodeAtReal(R); G && !G->CellBoolean() && R + G->CellIndex() == At)
                Ends.push_back(R);
    }
    const TAliveGuard Alive(this);   // a handler of the changed cells may close the screen
    {
        TMovingScope Moving(this, FMoving);
        InsertRows(ARow, 1);
    }
    if (Alive.Gone()) return;
    for (Integer N : Ends) AddToNodeSpan(DisplRowIndex(N), 1);
    if (!Ends.empty()) {
        TCellProperties* P = GetCellProperties(0, ARow);
        P->SetNodeLevel(P->NodeLevel() + Integer(Ends.size()));
    }
    if (OnAutoInsertRow) FireEvent(OnAutoInsertRow, this, ARow);
}

void TExtStringGrid::AutoDeleteRow(Integer ARow) {
    // Never a header row, nor a footer row with its totals.
    if (ARow < TBaseGrid::FixedRows() || ARow > LastDataRow()) return;
    FEditShown = false;
    if (EditorMode()) HideEditor();
    const std::shared_ptr<const bool> Alive = AliveToken();
    {
        TMovingScope Moving(this, FMoving);
        RemoveRowsEx(ARow, 1);
    }
    if (!*Alive) return;
    if (OnAutoDeleteRow) FireEvent(OnAutoDeleteRow, this, ARow);
    if (*Alive) Invalidate();
}

void TExtStringGrid::RemoveRowsEx(Integer ARow, Integer ACount) {
    if (ARow < 0 || ARow >= RowCount() || ACount <= 0) return;
    EndEditBeforeLayoutChange();
    ACount = std::min(ACount, RowCount() - ARow);
    // A node row goes without its node, as with the Delete key: the node's rows come
    // out (a contracted one shows them) and stay.
    std::vector<Integer> Nodes, Reals;   // real rows
    for (Integer R = ARow; R < ARow + ACount; ++R) {
        Reals.push_back(RealRowIndex(R));
        if (IsNode(R)) Nodes.push_back(Reals.back());
    }
    if (!Nodes.empty()) {
        const TAliveGuard Alive(this);   // a handler of the changed cells may close the screen
        for (auto It = Nodes.rbegin(); It != Nodes.rend(); ++It) RemoveNode(*It);
        for (auto It = Reals.rbegin(); It != Reals.rend() && Alive.Alive(); ++It)
            if (!IsHiddenRow(*It)) RemoveRowsEx(DisplRowIndex(*It), 1);
        return;
    }
    SplitMergesAround(true, ARow, -ACount);
    for (Integer R = ARow; R < ARow + ACount; ++R)
        for (Integer C = 0; C < ColCount(); ++C) RemoveCellGraphic(C, R);
    ClearProps(0, ARow, ColCount() - 1, ARow + ACount - 1);
    DeleteGridRows(ARow, ACount, true);
}

void TExtStringGrid::DeleteGridRows(Integer ARow, Integer ACount, bool) {
    if (ARow < 0 || ARow >= RowCount() || ACount <= 0) return;
    EndEditBeforeLayoutChange();
    ACount = std::min(ACount, RowCount() - ARow);
    const Integer First = TBaseGrid::FixedRows();
    // The framework keeps at least one row beyond the fixed ones: the first of the
    // removed rows stays, emptied, and the rows after it go.
    const bool KeepOne = RowCount() - ACount <= First;
    if (KeepOne) ACount = RowCount() - First - 1;
    if (ACount <= 0) {
        // Only the last data row is left: it is emptied instead.
        if (ARow >= First) ClearRect(0, ARow, ColCount() - 1, ARow);
        return;
    }
    if (KeepOne && ARow >= First) {
        ClearRect(0, ARow, ColCount() - 1, ARow);
        if (FRowSelect.size() > size_t(RealRowIndex(ARow))) FRowSelect[size_t(RealRowIndex(ARow))] = 0;
        ++ARow;
    }
    SplitMergesAround(true, ARow, -ACount);
    BeginUpdate();
    const Integer OldRow = Row(), OldTop = TopRow();
    RowRecordsRemoved(ARow, ACount);
    MoveRowBlock(ARow + ACount, ARow, RowCount() - ARow - ACount);
    for (Integer R = RowCount() - ACount; R < RowCount(); ++R)
        for (Integer C = 0; C < ColCount(); ++C) ClearCell(C, R);
    {
        TMovingScope Kept(this, FRecordsKept);
        SetRowCount(RowCount() - ACount);
    }
    const Integer LastData = RowCount() - 1 - FFixedFooters;
    if (OldRow >= RowCount() - FFixedFooters || OldRow > LastData) TBaseGrid::SetRow(std::max(First, LastData));
    SetTopRow(std::max(First, std::min(OldTop, RowCount() - 1)));
    EndUpdate();
    UpdateCellControls();
    CellsChanged(Rect(0, ARow, ColCount() - 1, ARow + ACount - 1));
}

void TExtStringGrid::InsertCols(Integer ACol, Integer ACount) {
    if (ACount <= 0 || ACol < 0 || ACol > ColCount()) return;
    EndEditBeforeLayoutChange();
    SplitMergesAround(false, ACol, ACount);
    BeginUpdate();
    const Integer Old = ColCount();
    SetColCount(Old + ACount);
    for (Integer C = Old - 1; C >= ACol; --C) {
        for (Integer R = 0; R < RowCount(); ++R) {
            TObject* O = RawObjects(C, R);
            SetRawCells(C + ACount, R, RawCells(C, R));
            SetRawObjects(C + ACount, R, O);
            if (auto* P = dynamic_cast<TCellProperties*>(O)) P->SetOwnerCol(C + ACount);
        }
        SetColWidths(C + ACount, ColWidths(C));
    }
    for (Integer C = ACol; C < ACol + ACount; ++C) {
        ClearCol(C);
        SetColWidths(C, DefaultColWidth());
    }
    ColumnsShifted(ACol, ACount);
    EndUpdate();
    CellsChanged(Rect(ACol, 0, ACol + ACount - 1, RowCount() - 1));
}

void TExtStringGrid::RemoveCols(Integer ACol, Integer ACount) {
    if (ACol < 0 || ACol >= ColCount() || ACount <= 0) return;
    EndEditBeforeLayoutChange();
    ACount = std::min(ACount, ColCount() - ACol);
    if (ColCount() - ACount <= TBaseGrid::FixedCols()) ACount = ColCount() - TBaseGrid::FixedCols() - 1;
    if (ACount <= 0) return;
    SplitMergesAround(false, ACol, -ACount);
    TUpdateScope Update(this);
    ClearRect(ACol, 0, ACol + ACount - 1, RowCount() - 1);
    ClearProps(ACol, 0, ACol + ACount - 1, RowCount() - 1);
    for (Integer C = ACol + ACount; C < ColCount(); ++C) {
        for (Integer R = 0; R < RowCount(); ++R) {
            TObject* O = RawObjects(C, R);
            SetRawCells(C - ACount, R, RawCells(C, R));
            SetRawObjects(C - ACount, R, O);
            if (auto* P = dynamic_cast<TCellProperties*>(O)) P->SetOwnerCol(C - ACount);
        }
        SetColWidths(C - ACount, ColWidths(C));
    }
    for (Integer C = ColCount() - ACount; C < ColCount(); ++C) ClearCol(C);
    {
        TMovingScope Kept(this, FRecordsKept);
        SetColCount(ColCount() - ACount);
    }
    ColumnsShifted(ACol, -ACount);
    Update.End();
    CellsChanged(Rect(ACol, 0, ACol + ACount - 1, RowCount() - 1));
}

void TExtStringGrid::ColumnsShifted(Integer ACol, Integer ACount) {
    if (ACount > 0) FRowMap->ColsInserted(ACol, ACount);
    else FreeHiddenCellObjects(FRowMap->ColsRemoved(ACol, -ACount));
    // What is kept per column moves with the columns; a removed column's goes with it.
    auto Gone = [&](Integer C) { return ACount < 0 && C >= ACol && C < ACol - ACount; };
    auto Shift = [&](Integer C) { return C >= ACol ? C + ACount : C; };
    std::erase_if(FFooterKinds, [&](const auto& E) { return Gone(E.first); });
    for (auto& [Col, Kind] : FFooterKinds) Col = Shift(Col);
    const Integer SortCol = FSortSettings->Column();
    if (SortCol >= 0) FSortSettings->SetColumn(Gone(SortCol) ? -1 : Shift(SortCol));
    // The grouped column's place, between the columns shown, moves with them.
    if (FGroupColumn > ACol) FGroupColumn = std::max(ACol, FGroupColumn + ACount);
    std::erase_if(FSortIndexes, [&](Integer E) { return Gone(E & 0x7FFFFFFF); });
    for (Integer& E : FSortIndexes) E = Integer((Cardinal(E) & 0x80000000u) | Cardinal(Shift(E & 0x7FFFFFFF)));
    // Kept widths by layout column: a grouped column waits in its place.
    const Integer LayoutCol = FGroupColumn >= 0 && ACol >= FGroupColumn ? ACol + 1 : ACol;
    if (!FGroupShifting && LayoutCol < Integer(FKeptWidths.size())) {
        if (ACount > 0) FKeptWidths.insert(FKeptWidths.begin() + LayoutCol, size_t(ACount), Byte(0));
        else FKeptWidths.erase(FKeptWidths.begin() + LayoutCol, FKeptWidths.begin() + std::min(FKeptWidths.size(), size_t(LayoutCol - ACount)));
    }
    if (ACol < Integer(FColSelect.size())) {
        if (ACount > 0) FColSelect.insert(FColSelect.begin() + ACol, size_t(ACount), Byte(0));
        else FColSelect.erase(FColSelect.begin() + ACol, FColSelect.begin() + std::min(FColSelect.size(), size_t(ACol - ACount)));
    }
    std::set<std::pair<Integer, Integer>> Cells;
    for (const auto& [C, R] : FSelectedCells)
        if (!Gone(C)) Cells.insert({Shift(C), R});
    FSelectedCells = std::move(Cells);
    for (TGridCoord* F : FollowedCells())
        if (F->X >= 0) F->X = Gone(F->X) ? -1 : Shift(F->X);
    FColumnOrder.clear();   // starts again from the columns as they are
    UpdateCellControls();
}

void TExtStringGrid::FreeHiddenCellObjects(const std::vector<TObject*>& AObjects) {
    for (TObject* O : AObjects)
        if (auto* P = dynamic_cast<TCellProperties*>(O)) {   // other objects are not the grid's
            if (auto* G = dynamic_cast<TCellGraphic*>(P->KeptObject())) FreeCellGraphic(G);
            delete P;
        }
}

void TExtStringGrid::ClearRect(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom) {
    const Integer L = std::max(0, ALeft), T = std::max(0, ATop);
    const Integer R = std::min(ColCount() - 1, ARight), B = std::min(RowCount() - 1, ABottom);
    std::vector<Integer> Reals, Nodes;   // the block's rows, by real row
    for (Integer Rw = T; Rw <= B; ++Rw) {
        Reals.push_back(RealRowIndex(Rw));
        if (L == 0 && IsNode(Rw)) Nodes.push_back(Reals.back());
    }
    // A node whose glyph is cleared goes whole: its rows come out and stay (a contracted
    // one shows them), as when its row is removed.
    for (auto It = Nodes.rbegin(); It != Nodes.rend(); ++It) RemoveNode(*It);
    for (Integer Real : Reals) {
        if (IsHiddenRow(Real)) continue;   // closed by ExpandOne: its display row is another row's
        const Integer Rw = DisplRowIndex(Real);
        for (Integer C = L; C <= R; ++C) {
            if (HasCellProperties(C, Rw)) {
                RemoveCellGraphic(C, Rw);
                GetCellProperties(C, Rw)->SetKeptObject(nullptr);
            }
            if (!RawCells(C, Rw).empty()) SetRawCells(C, Rw, AnsiString());
        }
    }
    RepaintUnlessUpdating();
    CellsChanged(Rect(ALeft, ATop, ARight, ABottom));
}

void TExtStringGrid::ClearRows(Integer ARow, Integer ACount) { ClearRect(0, ARow, ColCount() - 1, ARow + ACount - 1); }

void TExtStringGrid::ClearCols(Integer ACol, Integer ACount) { ClearRect(ACol, 0, ACol + ACount - 1, RowCount() - 1); }

void TExtStringGrid::ClearAll() {
    ResetContent(FFixedFooters);   // footer rows keep what their totals need
    ClearRect(0, 0, ColCount() - 1, RowCount() - 1);
}

void TExtStringGrid::ResetContent(Integer AKeepFooters) {
    EndEditBeforeLayoutChange();
    if (EditorMode()) HideEditor();
    TUpdateScope Update(this);
    if (FFilterActive) SetFilterActive(false);
    ExpandAll();
    // Footer rows kept by a load keep their properties and totals.
    const Integer Last = RowCount() - 1 - std::clamp(AKeepFooters, 0, RowCount());
    for (Integer R = 0; R <= Last; ++R)
        for (Integer C = 0; C < ColCount(); ++C) RemoveCellGraphic(C, R);
    if (Last >= 0) ClearProps(0, 0, ColCount() - 1, Last);   // merges, colours and the controls placed in cells go with them
    FNodeCount = 0;
    FRowSelect.clear();
    FRowMarks.clear();
    FDragRows.clear();
    FSelectedCells.clear();
    FUnsortedOrder.clear();
    Update.End();
    UpdateCellControls();
}

void TExtStringGrid::RecountNodes() {
    Integer N = 0;
    for (Integer R = 0; R < AllRowCount(); ++R)
        if (NodeAtReal(R)) ++N;
    FNodeCount = N;
}

void TExtStringGrid::AddRowAtEnd() {
    if (FFixedFooters > 0) {
        InsertRows(RowCount() - FFixedFooters, 1);
        return;
    }
    SetRowCount(RowCount() + 1);
    ClearRow(RowCount() - 1);
}

// The marked rows in view, bottom up, each at the display row it has when its turn comes:
// clearing or removing a node row opens the node (with ExpandOne closing others), which
// moves the rows after it. A marked row hidden by then stays as it is.
void TExtStringGrid::ForEachMarkedRow(const std::function<void(Integer)>& ADo) {
    std::vector<Integer> Reals;
    for (Integer D : MarkedDisplRows()) Reals.push_back(RealRowIndex(D));
    for (auto It = Reals.rbegin(); It != Reals.rend(); ++It)
        if (!IsHiddenRow(*It)) ADo(DisplRowIndex(*It));
}

void TExtStringGrid::RemoveSelectedRows() {
    if (!FMouseActions->DisjunctRowSelect()) return;
    ForEachMarkedRow([this](Integer D) {
        if (D < TBaseGrid::FixedRows() || D > LastDataRow()) return;
        SetDisplRowSelected(D, false);
        RemoveRowsEx(D, 1);
    });
}

void TExtStringGrid::ClearSelectedCells() {
    if (FMouseActions->DisjunctRowSelect()) {
        ForEachMarkedRow([this](Integer D) { ClearRows(D, 1); });
    } else if (FMouseActions->DisjunctColSelect()) {
        for (Integer C = 0; C < Integer(FColSelect.size()) && C < ColCount(); ++C)
            if (FColSelect[size_t(C)]) ClearCols(C, 1);
    } else {
        const TGridRect S = Selection();
        ClearRect(S.Left, S.Top, S.Right, S.Bottom);
    }
}

// --- column merges ----------------------------------------------------------------------
void TExtStringGrid::MergeColumnCells(Integer ACol, bool SameTextOnly) {
    if (ACol < 0 || ACol >= ColCount()) return;
    const Integer First = TBaseGrid::FixedRows(), Last = RowCount() - 1 - FFixedFooters;
    Integer Start = First;
    for (Integer R = First + 1; R <= Last + 1; ++R) {
        // A run is counted over shown rows and ends at a hidden one: a merge would cover it.
        const bool Same = R <= Last && RawCells(ACol, R) == RawCells(ACol, R - 1) &&
                          RealRowIndex(R) == RealRowIndex(R - 1) + 1 && (SameTextOnly || RowsInSameMerges(R - 1, R));
        if (Same) continue;
        if (R - Start > 1) MergeCells(ACol, Start, 1, R - Start);
        Start = R;
    }
}

void TExtStringGrid::SplitColumnCells(Integer ACol) {
    if (ACol < 0 || ACol >= ColCount()) return;
    for (Integer R = 0; R < RowCount(); ++R) {
        if (!IsMergedCell(ACol, R) || !IsBaseCell(ACol, R)) continue;
        const Integer Span = CellSpan(ACol, R).Y;
        SplitCells(ACol, R);
        R += Span;
    }
}

bool TExtStringGrid::IsUnicodeCell(Integer ACol, Integer ARow) const {
    const AnsiString T = HeldText(ACol, ARow);
    return T.size() >= 2 && T[0] == '|' && T[1] == '\\';
}
