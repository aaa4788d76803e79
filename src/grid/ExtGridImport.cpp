// TExtStringGrid: CSV and spreadsheet import, and the line-oriented cell text stream.
#include "grid/ExtGrid.h"

#include "grid/ExtUtil.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"
#include "platform/sheet/Excel.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

namespace {

const char Candidates[] = {',', ';', '#', '\t', '|', '@', '*', '-', '+', '&'};

constexpr double MaxImportCells = TExtStringGrid::MaxTransferCells;

// A UTF-8 file: one with a byte-order mark (dropped here), or valid UTF-8 holding
// multi-byte characters. Its fields are converted one by one; anything else is taken as it is.
bool TakeUtf8(std::string& Bytes) {
    if (Bytes.size() >= 3 && Bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        Bytes.erase(0, 3);
        return true;
    }
    bool Multi = false;
    for (size_t I = 0; I < Bytes.size();) {
        const unsigned char C = static_cast<unsigned char>(Bytes[I]);
        size_t N = C < 0x80 ? 1 : (C >> 5) == 6 ? 2 : (C >> 4) == 14 ? 3 : (C >> 3) == 30 ? 4 : 0;
        if (N == 0 || I + N > Bytes.size()) return false;
        for (size_t K = 1; K < N; ++K)
            if ((static_cast<unsigned char>(Bytes[I + K]) & 0xC0) != 0x80) return false;
        Multi = Multi || N > 1;
        I += N;
    }
    return Multi;
}

// Lines at CR LF, CR or LF.
std::vector<AnsiString> SplitLines(const AnsiString& Text) {
    std::vector<AnsiString> Lines;
    size_t P = 0;
    while (P < Text.size()) {
        const size_t E = Text.find_first_of("\r\n", P);
        if (E == AnsiString::npos) {
            Lines.push_back(Text.substr(P));
            break;
        }
        Lines.push_back(Text.substr(P, E - P));
        P = E + (Text[E] == '\r' && E + 1 < Text.size() && Text[E + 1] == '\n' ? 2 : 1);
    }
    return Lines;
}

// A quoted field still open at the end of the line.
bool EndsInsideQuote(const AnsiString& L, char Delim) {
    bool FieldStart = true, Quoted = false;
    for (size_t I = 0; I < L.size(); ++I) {
        const char C = L[I];
        if (Quoted) {
            if (C == '"') {
                if (I + 1 < L.size() && L[I + 1] == '"') ++I;
                else Quoted = false;
            }
            continue;
        }
        if (FieldStart && C == '"') Quoted = true;
        FieldStart = Delim && C == Delim;
    }
    return Quoted;
}

// Spreadsheet programs write a cell with line breaks as one quoted field over
// several lines: such lines are joined again, with CR LF.
std::vector<AnsiString> JoinQuotedLines(const std::vector<AnsiString>& Raw, char Delim) {
    std::vector<AnsiString> Lines;
    for (size_t I = 0; I < Raw.size(); ++I) {
        AnsiString L = Raw[I];
        while (I + 1 < Raw.size() && EndsInsideQuote(L, Delim)) L += "\r\n" + Raw[++I];
        Lines.push_back(L);
    }
    return Lines;
}

Integer CountPlain(char C, const AnsiString& S) { return Integer(std::count(S.begin(), S.end(), C)); }

char DetectDelimiter(const std::vector<AnsiString>& Lines) {
    if (Lines.empty()) return '\0';
    const AnsiString& L1 = Lines[0];
    const AnsiString& L2 = Lines.size() > 1 ? Lines[1] : Lines[0];
    for (int Pass = 1; Pass <= 3; ++Pass) {
        char Found = '\0';
        Integer Best = 0;
        for (char C : Candidates) {
            const Integer A = Pass == 1 ? CountUnpairedChar(C, L1) : CountPlain(C, L1);
            const Integer B = Pass == 1 ? CountUnpairedChar(C, L2) : CountPlain(C, L2);
            if (Pass < 3) {
                if (A == B && A > Best) {
                    Found = C;
                    Best = A;
                }
            } else if (A > Best || B > Best) {
                Found = C;
                Best = std::max(A, B);
            }
        }
        if (Found) return Found;
    }
    return '\0';
}

// Cell texts of the text stream. The plain form writes a text holding a CR with its CRs
// as TABs and its LFs as BSs, and reads a text holding a BS back; a stream with a text that
// form would change says so with a header field 2, and writes each CR, LF and BS of its
// texts as BS and r, n or b. A grid with footer rows names them in a header field "f" and
// their count: a grid that reads the stream keeps its own.
const char* const EscapedTexts = "2";

AnsiString PlainStreamText(const AnsiString& T) { return CRLFToTabBS(T); }
AnsiString ReadPlainStreamText(const AnsiString& T) {
    return T.find('\x08') != AnsiString::npos ? TabBSToCRLF(T, true) : T;
}

AnsiString EscapeStreamText(const AnsiString& T) {
    AnsiString R;
    R.reserve(T.size());
    for (char C : T) {
        if (C == '\r') R += "\br";
        else if (C == '\n') R += "\bn";
        else if (C == '\b') R += "\bb";
        else R += C;
    }
    return R;
}

AnsiString UnescapeStreamText(const AnsiString& T) {
    AnsiString R;
    R.reserve(T.size());
    for (size_t I = 0; I < T.size(); ++I) {
        const char N = I + 1 < T.size() ? T[I + 1] : '\0';
        if (T[I] != '\b' || (N != 'r' && N != 'n' && N != 'b')) {
            R += T[I];
            continue;
        }
        R += N == 'r' ? '\r' : N == 'n' ? '\n' : '\b';
        ++I;
    }
    return R;
}

AnsiString CollapseQuotes(const AnsiString& S) {
    AnsiString R;
    for (size_t I = 0; I < S.size(); ++I) {
        R += S[I];
        if (S[I] == '"' && I + 1 < S.size() && S[I + 1] == '"') ++I;
    }
    return R;
}

}  // namespace

// The footer rows stay the last rows, with their properties and totals: the data
// rows above them become rows up to End (not counting it).
void TExtStringGrid::FitRowsAboveFooters(Integer Footers, Integer End) {
    const Integer FooterTop = RowCount() - Footers;
    End = std::max(End, TBaseGrid::FixedRows());
    if (End > FooterTop) InsertRows(FooterTop, End - FooterTop);
    else if (End < FooterTop) RemoveRowsEx(End, FooterTop - End);
}

// --- CSV ------------------------------------------------------------------------------
void TExtStringGrid::ImportCSVFile(const AnsiString& FileName, bool Append) {
    std::ifstream In(AnsiToUtf8(FileName), std::ios::binary);
    if (!In) throw EExtGridError("Cannot open file " + FileName);
    std::stringstream Buf;
    Buf << In.rdbuf();
    std::string Bytes = Buf.str();
    // Delimiters, quotes and line ends are the same bytes in UTF-8: the lines are split first.
    const bool Utf8 = TakeUtf8(Bytes);
    const std::vector<AnsiString> Raw = SplitLines(Bytes);
    const char Delim = FDelimiter ? FDelimiter : DetectDelimiter(Raw);
    const std::vector<AnsiString> Lines = JoinQuotedLines(Raw, Delim);
    if (double(Lines.size()) * std::max(1, ColCount()) > MaxImportCells)
        throw EExtGridError("File " + FileName + " has too many lines");

    TUpdateScope Update(this);
    // A dropped file only writes what it may: the rest of the grid stays.
    if (!Append && !FFileDrop) ResetContent(FFixedFooters);
    const Integer Footers = std::clamp(FFixedFooters, 0, RowCount());
    // A dropped file keeps every row and cell it may not write.
    const Integer KeptRows = FFileDrop ? RowCount() - Footers : 0;
    Integer Target = Append ? RowCount() - Footers : 0;
    if (Footers > 0) FitRowsAboveFooters(Footers, std::max(KeptRows, Target + Integer(Lines.size())));
    // A new import leaves nothing of the rows before it, also right of the file's columns.
    const TAliveGuard Asked(this);   // OnCanEditCell, asked of a dropped file's cells, may close the screen
    if (!Append)
        for (Integer R = 0; R < RowCount() - Footers; ++R)
            for (Integer C = 0; C < ColCount(); ++C) {
                const bool Clears = !FFileDrop || TakesOutsideData(C, R);
                if (Asked.Gone()) return;
                if (Clears) SetRawCells(C, R, AnsiString());
            }
    Integer LastProgress = -1;
    size_t Done = 0;
    bool Gone = false;   // a handler closed the screen: the reading stops
    for (AnsiString Line : Lines) {
        if (FOemConvert && !Utf8) OemToAnsiText(Line);
        if (RowCount() - FFixedFooters <= Target) SetRowCount(Target + 1000);
        Integer Col = 0;
        size_t P = 0;
        auto Store = [&](AnsiString V) {
            if (FCSVTildeBreaks) TildeToCRLF(V);
            else CSVFieldToCRLF(V);
            // A field with letters that code page 1254 lacks becomes a Unicode cell.
            if (Utf8) V = OutsideTextToCell(Utf8ToWide(V));
            if (Utf8 && FOemConvert && !IsUnicodeText(V)) OemToAnsiText(V);
            if (Col >= ColCount()) SetColCount(Col + 1);
            const bool Takes = !FFileDrop || TakesOutsideData(Col, Target);
            Gone = Asked.Gone() || (Takes && !LoadCell(Col, Target, V));
            ++Col;
        };
        while (P < Line.size() && !Gone) {
            if (Line[P] == '"') {
                AnsiString V;
                size_t Q = P + 1;
                bool Closed = false;
                while (Q < Line.size()) {
                    if (Line[Q] == '"') {
                        if (Q + 1 < Line.size() && Line[Q + 1] == '"') {
                            V += '"';
                            Q += 2;
                            continue;
                        }
                        Closed = true;
                        break;
                    }
                    V += Line[Q++];
                }
                Store(V);
                if (!Closed) break;
                const size_t D = Delim ? Line.find(Delim, Q + 1) : AnsiString::npos;
                if (D == AnsiString::npos) break;
                P = D + 1;
                continue;
            }
            const size_t D = Delim ? Line.find(Delim, P) : AnsiString::npos;
            Store(CollapseQuotes(Line.substr(P, D == AnsiString::npos ? AnsiString::npos : D - P)));
            if (D == AnsiString::npos) break;
            P = D + 1;
        }
        if (Gone) return;
        ++Target;
        ++Done;
        if (OnFileProgress) {
            const Integer Pr = Integer(std::lround(double(Done) / double(Lines.size()) * 100.0));
            const TAliveGuard Alive(this);   // the handler may close the screen: the reading stops
            if (Pr != LastProgress) FireEvent(OnFileProgress, this, Pr);
            if (Alive.Gone()) return;
            LastProgress = Pr;
        }
    }
    if (Footers == 0) SetRowCount(std::max({Target, KeptRows, TBaseGrid::FixedRows() + 1}));
    CellsChanged(Rect(0, 0, ColCount(), RowCount()));
}

// --- spreadsheets -------------------------------------------------------------------------
void TExtStringGrid::ImportExcelFile(const AnsiString& FileName, const AnsiString& SheetName) {
    std::unique_ptr<TExcelApplication> App;
    try {
        App = CreateOleObject("excel.application");
    } catch (const EOleError&) {
        throw EExtGridError("Excel OLE server not found");
    }
    // The workbook is closed and the application let go on every path, errors included.
    struct TOpenBook {
        TExcelApplication* App;
        TExcelWorkbook* Book;
        ~TOpenBook() {
            Book->Close(false);
            App->Quit();
        }
    } Open{App.get(), App->Workbooks()->Open(FileName)};
    TExcelWorkbook* Book = Open.Book;
    TExcelWorksheet* Sheet = nullptr;
    if (SheetName.empty()) {
        Sheet = Book->ActiveSheet();
    } else {
        for (Integer I = 1; I <= Book->Sheets()->Count() && !Sheet; ++I)
            if (Book->Sheets(I)->Name() == SheetName) Sheet = Book->Sheets(I);
    }
    if (!Sheet) throw EExtGridError("Excel worksheet " + SheetName + " not found");
    const auto Used = Sheet->UsedRange();
    const Integer Cols = Used->ColumnCount(), Rows = Used->RowCount();
    if (double(Cols) * double(Rows) > MaxImportCells)
        throw EExtGridError("Excel worksheet " + Sheet->Name() + " is too large");
    const Integer Top = Used->Row(), Left = Used->Column();
    {
        TUpdateScope Update(this);
        if (!FFileDrop) ResetContent(FFixedFooters);
        // A dropped file keeps every row, column and cell it may not write.
        const Integer Footers = std::clamp(FFixedFooters, 0, RowCount());
        const Integer KeptCols = FFileDrop ? ColCount() : 0, KeptRows = FFileDrop ? RowCount() - Footers : 0;
        SetColCount(std::max({Cols, KeptCols, TBaseGrid::FixedCols() + 1}));
        if (Footers > 0) FitRowsAboveFooters(Footers, std::max(Rows, KeptRows));
        else SetRowCount(std::max({Rows, KeptRows, TBaseGrid::FixedRows() + 1}));
        bool Gone = false;   // a handler closed the screen: the reading stops
        auto Load = [&](Integer C, Integer R, const AnsiString& V) {
            if (!Gone && (!FFileDrop || TakesOutsideData(C, R))) Gone = !LoadCell(C, R, V);
        };
        for (Integer R = 0; R < Rows; ++R)
            for (Integer C = 0; C < Cols; ++C) Load(C, R, AnsiString());
        Sheet->ForEachCell([&](Integer R, Integer C, const Variant& V) {
            const TVarType T = VarType(V);
            if (Gone) return;
            if (T == varDispatch || T == varError) return;
            if (R - Top < Rows && C - Left < Cols && R >= Top && C >= Left) Load(C - Left, R - Top, VarToStr(V));
        });
        if (Gone) return;
    }
    CellsChanged(Rect(0, 0, ColCount(), RowCount()));
}

// --- the cell text stream ----------------------------------------------------------------
void TExtStringGrid::WriteStreamLine(const AnsiString& Text, TStream* Stream) {
    const AnsiString L = Text + "\r\n";
    Stream->WriteBuffer(L.data(), Integer(L.size()));
}

Integer TExtStringGrid::ReadStreamLine(TStream* Stream, AnsiString& Text) {
    Text.clear();
    Integer N = 0;
    char C = 0;
    while (Stream->Read(&C, 1) == 1) {
        ++N;
        if (C == '\r') {
            if (Stream->Read(&C, 1) == 1) ++N;
            break;
        }
        Text += C;
    }
    return N;
}

void TExtStringGrid::SaveCellsToStrings(TStream* Stream) {
    struct TSaved {
        Integer C, R;
        AnsiString Text;
    };
    std::vector<TSaved> Cells;
    bool Plain = true;
    {
        TProgressScope Progress(this, false);
        AnsiString V;
        for (Integer R = 0; R < RowCount(); ++R) {
            for (Integer C = 0; C < ColCount(); ++C) {
                if (!IsBaseCell(C, R)) continue;   // a merged cell's text is its base cell's
                if (!SaveCell(C, R, V)) return;
                if (V.empty()) continue;
                Plain = Plain && ReadPlainStreamText(PlainStreamText(V)) == V;
                Cells.push_back(TSaved{C, R, V});
            }
            SaveProgress(1, R);
        }
    }
    const Integer Footers = std::clamp(FFixedFooters, 0, RowCount() - 1);
    WriteStreamLine(IntToStr(ColCount()) + "," + IntToStr(RowCount()) + (Plain ? "" : AnsiString(",") + EscapedTexts) +
                        (Footers > 0 ? ",f" + IntToStr(Footers) : AnsiString()),
                    Stream);
    for (Integer C = 0; C < ColCount(); ++C) WriteStreamLine("cw " + IntToStr(C) + "," + IntToStr(ColWidths(C)), Stream);
    for (const TSaved& S : Cells)
        WriteStreamLine(IntToStr(S.C) + "," + IntToStr(S.R) + "," +
                            (Plain ? PlainStreamText(S.Text) : EscapeStreamText(S.Text)),
                        Stream);
}

void TExtStringGrid::LoadCellsFromStrings(TStream* Stream) {
    AnsiString L;
    if (ReadStreamLine(Stream, L) == 0) return;
    AnsiString Head = L;
    auto Field = [&Head] {
        const size_t P = Head.find(',');
        const AnsiString F = Head.substr(0, P);
        Head.erase(0, P == AnsiString::npos ? P : P + 1);
        return F;
    };
    const Integer W = StrToIntDef(Field(), -1);
    const Integer H = StrToIntDef(Field(), -1);
    bool Escaped = false, Bad = !L.empty() && L.back() == ',';
    Integer SrcFooters = 0;
    while (!Head.empty() && !Bad) {
        const AnsiString F = Field();
        if (F == EscapedTexts && !Escaped && SrcFooters == 0) Escaped = true;
        else if (F.size() > 1 && F[0] == 'f' && SrcFooters == 0) SrcFooters = StrToIntDef(F.substr(1), -1);
        else Bad = true;
        Bad = Bad || SrcFooters < 0;
    }
    if (W < 1 || H < 1 || double(W) * H > MaxImportCells || Bad || SrcFooters >= H) throw EReadError("Invalid stream format");
    TUpdateScope Update(this);
    // The grid becomes the stream's: nothing stays from before; footer rows stay the last rows.
    ResetContent(FFixedFooters);
    SetColCount(W);
    // The stream's data rows come above the footer rows. Its own footer rows hold totals: they
    // stay behind where this grid has totals of its own, and come as rows where it has none.
    const Integer Footers = std::clamp(FFixedFooters, 0, RowCount());
    const Integer DataRows = H - (Footers > 0 ? SrcFooters : 0);
    if (Footers > 0) FitRowsAboveFooters(Footers, DataRows);
    else SetRowCount(DataRows);
    for (Integer R = 0; R < RowCount() - Footers; ++R)
        for (Integer C = 0; C < ColCount(); ++C) SetRawCells(C, R, AnsiString());
    Int64 Widths = 0;
    while (true) {
        const Int64 Start = Stream->Position();
        if (ReadStreamLine(Stream, L) == 0) break;
        if (L.compare(0, 2, "cw") == 0) {
            if (L.size() < 4) throw EReadError("Invalid stream format");
            AnsiString Rest = L.substr(3);
            const AnsiString C = SplitAt(Rest, ",");
            const Integer Col = StrToIntDef(C, -1);
            // A width the grid cannot count with leaves the column as it is.
            const Integer W = StrToIntDef(Rest, DefaultColWidth());
            if (Col >= 0 && Col < ColCount() && TakeOutsideWidth(W, Widths)) SetColWidths(Col, W);
            continue;
        }
        AnsiString Rest = L;
        const AnsiString CT = SplitAt(Rest, ",");
        const AnsiString RT = SplitAt(Rest, ",");
        if (CT.empty() || RT.empty()) {
            Stream->SetPosition(Start);
            break;
        }
        const Integer C = StrToIntDef(CT, -1), R = StrToIntDef(RT, -1);
        // Every line of a cell comes back, shown on one line or not.
        Rest = Escaped ? UnescapeStreamText(Rest) : ReadPlainStreamText(Rest);
        if (C >= 0 && R >= 0 && C < ColCount() && R < RowCount() && R < DataRows && !LoadCell(C, R, Rest)) return;
    }
    Update.End();
    CellsChanged(Rect(0, 0, ColCount(), RowCount()));
}
