#pragma once
// The spreadsheet program's automation objects, over files instead of a running
// program: an application with its workbooks, their worksheets and cells.
//
//   auto Excel = CreateOleObject("excel.application");
//   Excel->Workbooks()->Add();
//   TExcelWorksheet* Sheet = Excel->Workbooks(1)->Worksheets(1);
//   Excel->SetVisible(true);
//   Sheet->SetCells(1, 1, "aboneno");
//   ...                       // when Excel goes, the new workbook is shown
//
// A workbook made with Add stays in memory until the program lets go of the
// application (Detach, or its destruction) while the application is visible:
// then it is written to a new .xlsx file in the temporary folder and handed to
// the sheet opener, which shows it in the desktop's spreadsheet program.
// Open reads .xlsx, .xls and .csv files; their rows are read as they are asked for.
//
// Cells hold Variants. Texts are code page 1254; an empty cell reads as an
// empty Variant; numbers read as Double, dates as Date, logical cells as
// Boolean and error cells (#N/A ...) as Error values. A text cell stays text
// when written, whatever it looks like, so identifiers keep their zeros.
// Rows and columns count from 1. Indexes out of range raise EOleException.
#include "platform/sheet/ComObj.h"
#include "platform/rtl/Variants.h"

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class TExcelApplication;
class TExcelWorkbook;
class TExcelWorksheet;
class TXlsxStream;

constexpr Integer ExcelMaxRows = 1048576;
constexpr Integer ExcelMaxColumns = 16384;

// A rectangle of one worksheet (UsedRange, Range).
class TExcelRange : public TObject {
public:
    TExcelRange(TExcelWorksheet* ASheet, Integer ATop, Integer ALeft, Integer ABottom, Integer ARight);
    // Absolute address: "$A$1" for one cell, "$A$1:$D$20" otherwise.
    AnsiString Address() const;
    // One cell: its value. More: a two-dimensional array of Variants with the
    // bounds (1..rows, 1..columns), indexed [row, column].
    Variant Value() const;
    // One value for every cell, or an array shaped like Value().
    void SetValue(const Variant& AValue);
    Integer Row() const { return FTop; }
    Integer Column() const { return FLeft; }
    Integer RowCount() const { return FBottom - FTop + 1; }
    Integer ColumnCount() const { return FRight - FLeft + 1; }

private:
    TExcelWorksheet* FSheet;
    Integer FTop, FLeft, FBottom, FRight;
};

// One row of a sheet as a file reader delivers it: non-empty cells, columns
// ascending. A reader may keep a text cell's bytes in the row's Text, or in a
// text of its own that stays unchanged while it lives (TextAt), instead of a
// Variant of its own: the Variant is made only when the cell is read.
struct TSheetCell {
    TSheetCell() = default;
    TSheetCell(Integer AColumn, Variant AValue) noexcept : Column(AColumn), Value(std::move(AValue)) {}
    TSheetCell(Integer AColumn, double AValue) noexcept : Column(AColumn), Value(AValue) {}
    Integer Column = 0;
    Variant Value;
    bool InText = false;
    const char* TextAt = nullptr;
    size_t TextBegin = 0, TextLength = 0;
};
struct TSheetRow {
    Integer Number = 0;
    std::vector<TSheetCell> Cells;
    AnsiString Text;
    void Clear() {
        Cells.clear();
        Text.clear();
    }
    // Built in place: a cell put together beside it and copied in costs a
    // stalled read of the parts just written.
    void AddNumber(Integer Column, double Value) { Cells.emplace_back(Column, Value); }
    void AddText(Integer Column, const char* Begin, size_t Length) {
        AddTextAt(Column, Text.size(), Length);
        Text.append(Begin, Length);
    }
    // A cell whose bytes the reader has put in Text already.
    void AddTextAt(Integer Column, size_t Begin, size_t Length) {
        TSheetCell& Cell = Cells.emplace_back();
        Cell.Column = Column;
        Cell.InText = true;
        Cell.TextBegin = Begin;
        Cell.TextLength = Length;
    }
    void AddKeptText(Integer Column, const char* Begin, size_t Length) {
        TSheetCell& Cell = Cells.emplace_back();
        Cell.Column = Column;
        Cell.InText = true;
        Cell.TextAt = Begin;
        Cell.TextLength = Length;
    }
    Variant ValueOf(const TSheetCell& Cell) const {
        if (!Cell.InText) return Cell.Value;
        return Variant(std::string_view(Cell.TextAt ? Cell.TextAt : Text.data() + Cell.TextBegin, Cell.TextLength));
    }
};

// The rows of a sheet in a file, read front to back, one row in memory.
class TSheetRowSource {
public:
    virtual ~TSheetRowSource() = default;
    // The next row holding a cell, rows ascending; false at the end. Damage
    // found on the way raises EOleException naming the file.
    virtual bool Next(TSheetRow& Row) = 0;
    // Back to the first row.
    virtual void Rewind() = 0;
};

class TExcelWorksheet : public TObject {
public:
    TExcelWorksheet(TExcelWorkbook* ABook, const AnsiString& AName);
    ~TExcelWorksheet() override;
    const AnsiString& Name() const { return FName; }
    TExcelWorkbook* Parent() const { return FBook; }

    // A sheet read from a file asks its rows of the file as they are wanted:
    // going forward is cheap, going back reads from the start again.
    Variant Cells(Integer Row, Integer Column) const;
    // Empty or Null clears the cell. A Variant array is refused.
    void SetCells(Integer Row, Integer Column, const Variant& Value);

    // The smallest rectangle holding every non-empty cell; "$A$1" when there is none.
    std::unique_ptr<TExcelRange> UsedRange();
    // "A1", "$B$2:$D$20" (case ignored); a bad address raises EOleException.
    std::unique_ptr<TExcelRange> Range(const AnsiString& Address);

    // Every non-empty cell, rows then columns ascending.
    void ForEachCell(const std::function<void(Integer Row, Integer Column, const Variant& Value)>& Fn) const;
    Integer CellCount() const;

    // Used by the readers: the file's rows stand under the cells set here.
    void SetSource(std::unique_ptr<TSheetRowSource> Source);

    // A new workbook's sheet holds a window of rows: once it holds more than
    // HeldCells cells, the rows before the one being written go to the
    // workbook file being built, so memory does not grow with the rows.
    // Such a row can no longer be read or changed (EOleException).
    static constexpr Integer HeldCells = 65536;
    Integer WrittenThrough() const { return FWrittenThrough; }
    void SetWrittenThrough(Integer Row) { FWrittenThrough = Row; }

private:
    // Cells set by the program, by row, each row's by column ascending; no row is empty.
    struct TSetCell {
        Integer Column;
        Variant Value;
    };
    using TCellMap = std::map<Integer, std::vector<TSetCell>>;
    const Variant* FindSet(Integer Row, Integer Column) const;
    void PutSet(Integer Row, Integer Column, const Variant& Value);
    void EraseSet(Integer Row, Integer Column);
    // Checked on every cell read or written: the refusals are out of line.
    void CheckCell(Integer Row, Integer Column) const {
        if (Row < 1 || Row > ExcelMaxRows || Column < 1 || Column > ExcelMaxColumns) RefuseIndex();
    }
    void CheckNotWritten(Integer Row) const {
        if (Row <= FWrittenThrough) RefuseWritten(Row);
    }
    [[noreturn]] static void RefuseIndex();
    [[noreturn]] void RefuseWritten(Integer Row) const;
    // Writes the rows before Row to the workbook's file.
    void WriteRowsBefore(Integer Row);
    // Moves the source to the row numbered Row or the first one after it.
    void SeekRow(Integer Row) const;
    TExcelWorkbook* FBook;
    AnsiString FName;
    // Cells set by the program; over a source an empty value hides a file cell.
    TCellMap FCells;
    size_t FSetCount = 0;
    std::unique_ptr<TSheetRowSource> FSource;
    mutable TSheetRow FRow;         // the source's current row; Number 0 before the first
    mutable Integer FPrevRow = 0;   // the row read before it: rows between are empty
    mutable bool FAtEnd = false;
    mutable bool FRewind = false;   // the source was left elsewhere: start again
    // Rows written out to the workbook file: up to FWrittenThrough, and the
    // rectangle and count of their cells.
    Integer FWrittenThrough = 0;
    Integer FWrittenCount = 0, FWrittenTop = 0, FWrittenBottom = 0, FWrittenLeft = 0, FWrittenRight = 0;
};

// The worksheets of one workbook; items count from 1.
class TExcelSheets : public TObject {
public:
    explicit TExcelSheets(TExcelWorkbook* ABook) : FBook(ABook) {}
    Integer Count() const;
    TExcelWorksheet* Item(Integer Index) const;
    TExcelWorksheet* operator[](Integer Index) const { return Item(Index); }

private:
    TExcelWorkbook* FBook;
};

class TExcelWorkbook : public TObject {
public:
    TExcelWorkbook(TExcelApplication* AApp, const AnsiString& AName);
    ~TExcelWorkbook() override;

    const AnsiString& Name() const { return FName; }
    // The file it came from or was last saved to; empty for an unsaved new workbook.
    const AnsiString& FullName() const { return FFullName; }
    bool Saved() const { return !FModified; }
    TExcelApplication* Application() const { return FApp; }

    TExcelSheets* Worksheets() const { return FSheetsView.get(); }
    TExcelWorksheet* Worksheets(Integer Index) const { return FSheetsView->Item(Index); }
    TExcelSheets* Sheets() const { return FSheetsView.get(); }
    TExcelWorksheet* Sheets(Integer Index) const { return FSheetsView->Item(Index); }
    TExcelWorksheet* ActiveSheet() const;

    // SaveChanges: a new workbook is written to a new file in the temporary
    // folder, an opened .xlsx back over its file (completely or not at all);
    // an opened .xls or .csv cannot be written and raises. Then the workbook
    // leaves its application's Workbooks and is freed.
    void Close(bool SaveChanges = false);

    // Used by the application and the readers.
    TExcelWorksheet* AddSheet(const AnsiString& AName);
    void SetActiveSheetIndex(Integer Index) { FActive = Index; }
    void SetFullName(const AnsiString& Value) { FFullName = Value; }
    void SetModified(bool Value) { FModified = Value; }
    bool Modified() const { return FModified; }
    bool IsNew() const { return FIsNew; }
    void SetIsNew(bool Value) { FIsNew = Value; }
    const std::vector<std::unique_ptr<TExcelWorksheet>>& SheetList() const { return FSheets; }
    // The file being built for a large new workbook; null until rows go to it.
    TXlsxStream* Stream() const { return FStream.get(); }
    TXlsxStream& StartStream();

private:
    friend class TExcelSheets;
    TExcelApplication* FApp;
    AnsiString FName;
    AnsiString FFullName;
    bool FModified = false;
    bool FIsNew = false;
    Integer FActive = 0;
    std::vector<std::unique_ptr<TExcelWorksheet>> FSheets;
    std::unique_ptr<TExcelSheets> FSheetsView;
    std::shared_ptr<TXlsxStream> FStream;
};

// The open workbooks of the application; items count from 1.
class TExcelWorkbooks : public TObject {
public:
    explicit TExcelWorkbooks(TExcelApplication* AApp) : FApp(AApp) {}
    ~TExcelWorkbooks() override;
    // A new workbook with one empty worksheet "Sayfa1".
    TExcelWorkbook* Add();
    // Reads a .xlsx, .xls or .csv file (chosen by its extension, then by its
    // content). A missing or unreadable file raises EOleException naming it.
    TExcelWorkbook* Open(const AnsiString& FileName);
    Integer Count() const { return static_cast<Integer>(FBooks.size()); }
    TExcelWorkbook* Item(Integer Index) const;
    TExcelWorkbook* operator[](Integer Index) const { return Item(Index); }

    void Remove(TExcelWorkbook* Book);  // frees it
    void Clear();

private:
    TExcelApplication* FApp;
    std::vector<std::unique_ptr<TExcelWorkbook>> FBooks;
    Integer FNewCount = 0;
};

class TExcelApplication : public TObject {
public:
    TExcelApplication();
    // Detach() when it has not run yet; a failure then is only logged.
    ~TExcelApplication() override;

    TExcelWorkbooks* Workbooks() const { return FWorkbooks.get(); }
    TExcelWorkbook* Workbooks(Integer Index) const { return FWorkbooks->Item(Index); }
    // The last workbook added or opened that is still open; nullptr when none.
    TExcelWorkbook* ActiveWorkbook() const;
    // Its active sheet; nullptr without a workbook.
    TExcelWorksheet* ActiveSheet() const;

    bool Visible() const { return FVisible; }
    void SetVisible(bool Value) { FVisible = Value; }

    // Closes every workbook without saving; nothing is shown afterwards.
    void Quit();

    // The program lets go of the application. When visible, every open
    // workbook made with Add is written to a new .xlsx file in the temporary
    // folder and given to the sheet opener. Runs once. Raises when a file
    // cannot be written or the opener refuses it (the others are still shown).
    void Detach();
    // The files Detach wrote, in order.
    const std::vector<AnsiString>& ShownFiles() const { return FShown; }

    void SetActiveWorkbook(TExcelWorkbook* Book) { FActiveBook = Book; }
    void WorkbookRemoved(TExcelWorkbook* Book);

private:
    std::unique_ptr<TExcelWorkbooks> FWorkbooks;
    TExcelWorkbook* FActiveBook = nullptr;
    bool FVisible = false;
    bool FDetached = false;
    std::vector<AnsiString> FShown;
};

// The application object for a program id. Only "excel.application" (any
// case) is known; any other id, or any id while spreadsheet support is off,
// raises EOleSysError "Invalid class string" (CO_E_CLASSSTRING).
std::unique_ptr<TExcelApplication> CreateOleObject(const AnsiString& ClassName);
// Spreadsheet support on (the default) or off; returns the previous state.
bool SetSpreadsheetAvailable(bool Value);
bool SpreadsheetAvailable();

// Shows a written workbook file in the desktop's spreadsheet program; true
// when that was started. The default runs "xdg-open <file>" detached.
using TSheetOpener = std::function<bool(const AnsiString& FileName)>;
// Replaces the opener; an empty one restores the default. Returns the previous.
TSheetOpener SetSheetOpener(TSheetOpener Opener);
bool DefaultSheetOpener(const AnsiString& FileName);

// "A" for 1, "Z" for 26, "AA" for 27 ... "XFD" for 16384.
AnsiString ExcelColumnName(Integer Column);
